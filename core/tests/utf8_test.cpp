#include "core/utf8.h"

#include <QString>

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

// Every scalar value from one to four bytes, between runs of ASCII long
// and short, with a byte-order mark inside.
TEST(Utf8Test, DecodesEveryCharacterAsQtDoes)
{
    QString text = QStringLiteral("\uFEFFa\uFEFF");
    for (char32_t code = 1; code <= 0x10FFFF; code += code < 0x3000 ? 1 : 7) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        const char32_t units[] = {code};
        text += QString::fromUcs4(units, 1);
        if (code % 5 == 0)
            text += code % 3 ? QStringLiteral("ab") : QStringLiteral("a run of ASCII longer than sixteen bytes");
    }
    const QByteArray utf8 = text.toUtf8();
    ASSERT_TRUE(IsValidUtf8(utf8.constData(), utf8.size()));
    QString decoded(utf8.size(), Qt::Uninitialized);
    decoded.truncate(DecodeUtf8(utf8.constData(), utf8.size(), decoded.data()) - decoded.constData());
    EXPECT_EQ(decoded, text);
}

} // namespace
