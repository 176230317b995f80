#include "core/unicodetext.h"

namespace lorvane {

namespace {

// The length of the well-formed character at `at`: 1 or 2, or 0 for a lone
// surrogate.
qsizetype characterLength(QStringView text, qsizetype at)
{
    const QChar unit = text[at];
    if (!unit.isSurrogate())
        return 1;
    if (unit.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return 2;
    return 0;
}

} // namespace

bool IsWellFormedUtf16(QStringView text)
{
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype length = characterLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

QString WithReplacementCharacters(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype length = characterLength(text, at);
        if (length == 0) {
            result += QChar(QChar::ReplacementCharacter);
            ++at;
        } else {
            result += text.sliced(at, length);
            at += length;
        }
    }
    return result;
}

} // namespace lorvane
