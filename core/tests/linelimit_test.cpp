#include "core/changereport.h"
#include "core/error.h"
#include "core/linelimit.h"
#include "core/lines.h"
#include "core/tests/generated_project.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <optional>
#include <type_traits>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

class CountingProgress : public ReportProgress
{
public:
    void FileStarted(const QString &) override { ++started; }
    void FileDone() override {}
    int started = 0;
};

// The dialog and the pane, with wrapping at a fixed number of characters.
class FakeTarget : public LineLimitTarget
{
public:
    bool LimitOn() const override { return limitOn; }
    QString LimitText() const override { return limitText; }
    QDate StartDate() const override { return start; }
    QDate EndDate() const override { return end; }
    void SetStartDate(QDate date) override { start = date; }
    QStringList Files() const override { return files; }
    ReportOptions Options() const override { return options; }
    ReportProgress &Progress() override { return progress; }
    void SetResultText(const QStringList &report) override { result = report; }
    int PaneLineCount() const override
    {
        int count = 0;
        for (const QString &paragraph : SplitText(pane))
            count += ShownLines(paragraph);
        return count;
    }
    int ShownLines(QStringView paragraph) const override
    {
        return paragraph.isEmpty() ? 1 : int((paragraph.size() + width - 1) / width);
    }
    void SetPaneText(const QString &text) override { pane = NormalizeLineBreaks(text); }

    bool limitOn = true;
    QString limitText = "120";
    QDate start;
    QDate end;
    QStringList files;
    ReportOptions options;
    CountingProgress progress;
    QStringList result;
    QString pane;
    int width = 1000;
};

// The step as it reads: one build for every day, nothing kept between them.
std::optional<ReportKind> literalLineLimit(FakeTarget &t)
{
    if (!t.LimitOn() || t.PaneLineCount() <= LineLimitOf(t.LimitText()))
        return std::nullopt;
    t.start = t.end.addDays(-1);
    t.pane.clear();
    std::optional<ReportKind> kind;
    for (;;) {
        if (t.PaneLineCount() >= LineLimitOf(t.LimitText()) || t.pane.contains(QStringLiteral("Создание проекта")))
            return kind;
        t.start = t.start.addDays(-1);
        if (t.start.year() < 1900)
            throw std::runtime_error("the literal loop does not end");
        kind = BuildChangeReport(t.files, t.start, t.end, t.options, t.progress, t.result);
        t.SetPaneText(JoinLines(t.result));
    }
}

struct Outcome
{
    QString pane;
    QDate start;
    QStringList result;
    QString error;
    std::optional<ReportKind> kind; // what the step says it left in the pane
    bool operator==(const Outcome &) const = default;
};

template<typename Step>
Outcome runStep(FakeTarget target, Step step)
{
    Outcome outcome;
    try {
        if constexpr (std::is_void_v<decltype(step(target))>)
            step(target);
        else
            outcome.kind = step(target);
    } catch (const Error &e) {
        outcome.error = e.message();
    }
    outcome.pane = target.pane;
    outcome.start = target.start;
    outcome.result = target.result;
    return outcome;
}

void PrintTo(const Outcome &o, std::ostream *os)
{
    *os << "start " << o.start.toString(Qt::ISODate).toStdString() << ", error \"" << o.error.toStdString()
        << "\", kind " << (o.kind ? int(*o.kind) : -1) << ", pane:\n"
        << o.pane.toStdString();
}

class LineLimitTest : public testing::Test
{
protected:
    QStringList project(QRandomGenerator &random, int count, QDate end)
    {
        return GenerateProject(random, count, end, dir.filePath(QStringLiteral("u%1_").arg(round++)));
    }

    FakeTarget entering(QStringList files, QDate start, QDate end, ReportOptions options)
    {
        FakeTarget target;
        target.files = std::move(files);
        target.start = start;
        target.end = end;
        target.options = options;
        BuildChangeReport(target.files, start, end, options, target.progress, target.result);
        target.SetPaneText(JoinLines(target.result));
        return target;
    }

    QTemporaryDir dir;
    int round = 0;
};

TEST_F(LineLimitTest, GivesExactlyTheResultOfTheDayByDayLoop)
{
    QRandomGenerator random(4242);
    const QDate end(2026, 6, 30);
    const char *limits[] = {"120", "40", "7", "0", "-3", "x", "", "100000", "15"};
    for (int round = 0; round < 60; ++round) {
        const ReportOptions options{random.bounded(2) == 0, random.bounded(2) == 0, random.bounded(3) != 0};
        FakeTarget target = entering(project(random, random.bounded(1, 30), end), end.addDays(-3000), end, options);
        target.limitText = limits[random.bounded(int(std::size(limits)))];
        target.width = random.bounded(2) ? 1000 : 20 + random.bounded(40);
        if (random.bounded(10) == 0) // the dialog was closed without a run
            target.pane.clear();
        const Outcome expected = runStep(target, literalLineLimit);
        const Outcome actual = runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); });
        ASSERT_EQ(actual, expected) << "round " << round << ", limit \"" << target.limitText.toStdString() << "\"";
    }
}

// Headers whose reading changes with the start in every way the builder
// knows: copyright and identification text among the entries, which the
// walk takes and the scan after it tests; an end line that holds a date;
// dates that go up again, past the end date too; descriptions of two lines;
// names that repeat in other folders or hold a line break.
QStringList trickyProject(QRandomGenerator &random, int count, QDate end, const QString &folder)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        QStringList lines{"{==", "", "", "", QStringLiteral("  Unit %1").arg(i)};
        if (random.bounded(3) == 0)
            lines << QStringLiteral("  second line of the description");
        lines << "" << "  Изменения:" << "  ----";
        QDate date = end.addDays(-random.bounded(600));
        QDate oldest = date;
        for (int e = random.bounded(1, 9); e > 0; --e) {
            QString text = QStringLiteral("[+] change %1 of unit %2").arg(e).arg(i);
            const int kind = random.bounded(14);
            if (kind == 0)
                text += QStringLiteral(" Copyright");
            else if (kind == 1)
                text += QStringLiteral(" CVS: $Id: x $");
            else if (kind == 2)
                text += QStringLiteral(" Создание проекта");
            lines << QStringLiteral("  %1 %2").arg(date.toString("dd.MM.yyyy"), text);
            if (random.bounded(4) == 0)
                lines << QStringLiteral("             [*] a continuation long enough to wrap in a narrow pane");
            oldest = qMin(oldest, date);
            date = date.addDays(random.bounded(8) == 0 ? random.bounded(1, 300) : -random.bounded(0, 150));
        }
        lines << (random.bounded(4) == 0 ? QStringLiteral("==%1").arg(end.addDays(-2500).toString("dd.MM.yyyy"))
                                         : QStringLiteral("====="));
        lines << QStringLiteral("Copyright © %1").arg(random.bounded(8) == 0 ? 1999 : oldest.year());
        lines << QStringLiteral("  CVS: $Id: y $");
        const QString name = random.bounded(12) == 0 ? QStringLiteral("Line\nbreak%1.pas").arg(i)
                                                      : QStringLiteral("Unit%1.pas").arg(random.bounded(3) == 0 ? 0 : i);
        const QString path = QStringLiteral("%1/d%2/%3").arg(folder).arg(i).arg(name);
        QDir().mkpath(QFileInfo(path).path());
        writeBytes(path, encode(lines.join("\r\n"), Encoding::Cp1251));
        files << path;
    }
    return files;
}

TEST_F(LineLimitTest, HeadersThatReadDifferentlyForEachStartGiveTheResultOfTheDayByDayLoop)
{
    QRandomGenerator random(777);
    const QDate end(2026, 6, 30);
    for (int round = 0; round < 40; ++round) {
        const ReportOptions options{random.bounded(2) == 0, random.bounded(2) == 0, random.bounded(2) == 0};
        const QStringList files = trickyProject(random, random.bounded(1, 20), end, dir.filePath(QString::number(round)));
        FakeTarget target = entering(files, end.addDays(-3000), end, options);
        target.width = random.bounded(2) ? 1000 : 20 + random.bounded(40);
        // A limit below the entering report's count, so that the step runs,
        // or one that a short error list reaches.
        const int limit = random.bounded(2) ? target.PaneLineCount() * random.bounded(5, 95) / 100 : random.bounded(1, 10);
        target.limitText = QString::number(limit);
        const Outcome expected = runStep(target, literalLineLimit);
        const Outcome actual = runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); });
        ASSERT_EQ(actual, expected) << "round " << round << ", limit \"" << target.limitText.toStdString() << "\"";
    }
}

// At later starts the scan after the walk takes the date of the end line,
// 1990, as the oldest date, so only the last year is wrong; once the walk
// reaches the end line, the first year is wrong too, and the error list
// grows from 3 to 5 lines in a pane 30 characters wide.
TEST_F(LineLimitTest, AnErrorListThatGrowsAsTheStartMovesBackReachesTheLimit)
{
    const QDate end(2026, 6, 30);
    const QString path = dir.filePath(QStringLiteral("B.pas"));
    writeBytes(path, encode(QStringLiteral("{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  --\r\n"
                                           "  20.06.2026 [+] a\r\n  10.06.2026 [+] b\r\n==01.01.1990\r\n"
                                           "Copyright © 1990…2020\r\n  CVS: $Id: x $\r\n"),
                            Encoding::Cp1251));
    FakeTarget target = entering({path}, end.addDays(-3000), end, {});
    target.width = 30;
    target.limitText = "4";
    ASSERT_EQ(target.PaneLineCount(), 5);
    const Outcome expected = runStep(target, literalLineLimit);
    EXPECT_EQ(expected.start, QDate(2026, 6, 10));
    EXPECT_EQ(expected.kind, ReportKind::ErrorList);
    EXPECT_EQ(runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); }), expected);
}

// At 28.06 the scan after the walk ends at the entry that holds
// identification text, before the wrong copyright year; from 20.06 the walk
// has taken that entry, and the scan goes on to the copyright line.
TEST_F(LineLimitTest, ScanGoesPastIdentificationTextThatTheWalkHasTaken)
{
    const QDate end(2026, 6, 30);
    const QString path = dir.filePath(QStringLiteral("C.pas"));
    writeBytes(path, encode(QStringLiteral("{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  --\r\n"
                                           "  20.06.2026 [+] a\r\n  10.06.2026 [+] b CVS: $Id: x $\r\n"
                                           "  01.06.2026 [+] c\r\n=====\r\nCopyright © 1999\r\n  CVS: $Id: y $\r\n"),
                            Encoding::Cp1251));
    FakeTarget target = entering({path}, end.addDays(-3000), end, {false, false, true});
    target.width = 30;
    target.limitText = "2";
    ASSERT_EQ(target.PaneLineCount(), 3);
    const Outcome expected = runStep(target, literalLineLimit);
    EXPECT_EQ(expected.start, QDate(2026, 6, 20));
    EXPECT_EQ(expected.kind, ReportKind::ErrorList);
    EXPECT_EQ(runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); }), expected);
}

TEST_F(LineLimitTest, OptionOffOrShortReportChangesNothing)
{
    QRandomGenerator random(7);
    const QDate end(2026, 6, 30);
    FakeTarget target = entering(project(random, 5, end), end.addDays(-400), end, {});
    const Outcome before = runStep(target, [](FakeTarget &) {});
    target.limitOn = false;
    EXPECT_EQ(runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); }), before);
    target.limitOn = true;
    target.limitText = QString::number(target.PaneLineCount());
    EXPECT_EQ(runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); }), before);
}

TEST_F(LineLimitTest, ReadsEachFileOnceAndStopsAtTheFirstWindowThatReachesTheLimit)
{
    const QDate end(2026, 6, 30);
    QStringList files;
    for (int i = 0; i < 50; ++i) {
        const QDate newest = end.addDays(-1100 - 3 * i); // three years before the end
        const QString text = QStringLiteral("{==\r\n\r\n\r\n\r\n==\r\n  Изменения:\r\n  --\r\n  %1 [+] a\r\n  %2 [+] b\r\n=")
                                 .arg(newest.toString("dd.MM.yyyy"), newest.addDays(-1).toString("dd.MM.yyyy"));
        files << dir.filePath(QStringLiteral("f%1.pas").arg(i));
        writeBytes(files.last(), encode(text, Encoding::Cp1251));
    }
    FakeTarget target = entering(files, end.addDays(-2000), end, {false, false, true});
    target.limitText = "12";
    target.progress.started = 0;
    const Outcome expected = runStep(target, literalLineLimit);
    target.progress.started = 0;
    const Outcome actual = runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); });
    EXPECT_EQ(actual, expected);
    // The heading, then three lines for each of the newest two files and
    // four for the third: the window reaches the third file's newest entry.
    EXPECT_EQ(actual.start, end.addDays(-1100 - 3 * 2));
    EXPECT_LE(target.progress.started, 50 * 3);
}

TEST_F(LineLimitTest, UnreadableFileEndsTheStepAsTheLoopDoes)
{
    QRandomGenerator random(99);
    const QDate end(2026, 6, 30);
    FakeTarget target = entering(project(random, 6, end), end.addDays(-3000), end, {});
    target.limitText = "1";
    QFile::remove(target.files[3]);
    const Outcome expected = runStep(target, literalLineLimit);
    EXPECT_FALSE(expected.error.isEmpty());
    EXPECT_EQ(runStep(target, [](FakeTarget &t) { return ApplyLineLimit(t); }), expected);
}

} // namespace
