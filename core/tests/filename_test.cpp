#include "core/filename.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

struct NameCase
{
    QByteArray bytes;
    QString name;
};

class FileNameBytes : public testing::TestWithParam<NameCase>
{
};

TEST_P(FileNameBytes, BecomeTheirCharactersAndTheSameBytesAgain)
{
    EXPECT_EQ(FileNameFromBytes(GetParam().bytes), GetParam().name);
    EXPECT_EQ(FileNameToBytes(GetParam().name), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameBytes,
    testing::Values(NameCase{"Pricing.pas", u"Pricing.pas"_qs},
                    NameCase{"\xD0\xA6\xD0\xB5\xD0\xBD\xD1\x8B.pas", u"Цены.pas"_qs},
                    NameCase{"\xF0\x9F\x93\x84.pas", u"\U0001F4C4.pas"_qs},
                    NameCase{"caf\xE9.pas", u"caf\xDCE9.pas"_qs},
                    NameCase{"\xEF\xBB\xBF" "a.pas", u"\uFEFFa.pas"_qs},
                    NameCase{"a\xEF\xBB\xBF\xEF\xBB\xBF", u"a\uFEFF\uFEFF"_qs},
                    NameCase{"\xEF\xBB", u"\xDCEF\xDCBB"_qs}));

} // namespace
