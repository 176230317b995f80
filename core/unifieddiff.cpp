#include "core/unifieddiff.h"

#include "core/lines.h"

#include <vector>

namespace lorvane {

namespace {

constexpr qsizetype kContext = 3;
// Above this many cells the middle part is shown as replaced whole rather
// than matched line by line.
constexpr qsizetype kMaxMatchCells = 4'000'000;

// The lines of a text; a last line without a line break ends in LF, which
// no line holds, so that it differs from the same line with a break.
QStringList diffLines(QStringView text)
{
    QStringList lines = SplitText(text);
    const QList<LineSpan> spans = SplitTextSpans(text);
    if (!spans.isEmpty() && spans.last().start + spans.last().length == text.size())
        lines.last() += u'\n';
    return lines;
}

enum class Op { Same, Removed, Added };

// The edit script between the lines: common ends, then the longest common
// subsequence of the middle.
std::vector<Op> editScript(const QStringList &a, const QStringList &b)
{
    qsizetype prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix
           && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const qsizetype n = a.size() - prefix - suffix;
    const qsizetype m = b.size() - prefix - suffix;

    std::vector<Op> ops(size_t(prefix), Op::Same);
    if ((n + 1) * (m + 1) <= kMaxMatchCells) {
        // lcs[i][j]: the longest common subsequence of the middles from i and j on.
        std::vector<std::vector<qsizetype>> lcs(size_t(n + 1), std::vector<qsizetype>(size_t(m + 1), 0));
        for (qsizetype i = n - 1; i >= 0; --i)
            for (qsizetype j = m - 1; j >= 0; --j)
                lcs[i][j] = a[prefix + i] == b[prefix + j] ? lcs[i + 1][j + 1] + 1
                                                           : std::max(lcs[i + 1][j], lcs[i][j + 1]);
        qsizetype i = 0;
        qsizetype j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[prefix + i] == b[prefix + j]) {
                ops.push_back(Op::Same);
                ++i;
                ++j;
            } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
                ops.push_back(Op::Removed); // removed lines show before added ones
                ++i;
            } else {
                ops.push_back(Op::Added);
                ++j;
            }
        }
    } else {
        ops.insert(ops.end(), size_t(n), Op::Removed);
        ops.insert(ops.end(), size_t(m), Op::Added);
    }
    ops.insert(ops.end(), size_t(suffix), Op::Same);
    return ops;
}

// "start,count" of a hunk's side; a side without lines names the line
// before it, and a count of one is left out.
QString range(qsizetype start, qsizetype count)
{
    if (count == 1)
        return QString::number(start + 1);
    return QStringLiteral("%1,%2").arg(count == 0 ? start : start + 1).arg(count);
}

} // namespace

QByteArray UnifiedDiff(const QByteArray &oldName, const QByteArray &newName, QStringView oldText,
                       QStringView newText)
{
    const QStringList a = diffLines(oldText);
    const QStringList b = diffLines(newText);
    const std::vector<Op> ops = editScript(a, b);

    QString diff;
    const qsizetype total = qsizetype(ops.size());
    qsizetype k = 0;
    qsizetype oldLine = 0; // lines of each side before ops[k]
    qsizetype newLine = 0;
    while (k < total) {
        if (ops[k] == Op::Same) {
            ++k;
            ++oldLine;
            ++newLine;
            continue;
        }
        // A hunk: from the context before this change to the context after
        // the last change that lies within twice the context of the next.
        qsizetype begin = std::max<qsizetype>(0, k - kContext);
        while (begin < k && ops[begin] != Op::Same)
            ++begin;
        qsizetype end = k;
        qsizetype sameRun = 0;
        for (qsizetype i = k; i < total; ++i) {
            if (ops[i] == Op::Same) {
                if (++sameRun > 2 * kContext)
                    break;
            } else {
                sameRun = 0;
                end = i + 1;
            }
        }
        end = std::min(total, end + kContext);
        qsizetype oldStart = oldLine - (k - begin);
        qsizetype newStart = newLine - (k - begin);
        qsizetype oldCount = 0;
        qsizetype newCount = 0;
        for (qsizetype i = begin; i < end; ++i) {
            oldCount += ops[i] != Op::Added;
            newCount += ops[i] != Op::Removed;
        }
        diff += QStringLiteral("@@ -%1 +%2 @@\n").arg(range(oldStart, oldCount), range(newStart, newCount));
        qsizetype ai = oldStart;
        qsizetype bi = newStart;
        for (qsizetype i = begin; i < end; ++i) {
            const QString &line = ops[i] == Op::Added ? b[bi] : a[ai];
            diff += (ops[i] == Op::Same ? u' ' : ops[i] == Op::Removed ? u'-' : u'+') + line;
            if (line.endsWith(u'\n'))
                diff += QStringLiteral("\\ No newline at end of file\n");
            else
                diff += u'\n';
            ai += ops[i] != Op::Added;
            bi += ops[i] != Op::Removed;
        }
        oldLine = ai;
        newLine = bi;
        k = end;
    }
    if (diff.isEmpty())
        return {};
    return "--- " + oldName + "\n+++ " + newName + "\n" + diff.toUtf8();
}

} // namespace lorvane
