#include "projectname.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lorvane {
namespace {

struct NameCase
{
    const char16_t *path;
    const char16_t *name;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << '"' << QString::fromUtf16(c.path).toStdString() << '"';
}

class ExtractProjectNameTest : public testing::TestWithParam<NameCase>
{
};

TEST_P(ExtractProjectNameTest, YieldsTheFolderName)
{
    const NameCase &c = GetParam();
    EXPECT_EQ(ExtractProjectName(c.path), QString::fromUtf16(c.name));
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractProjectNameTest,
                         testing::Values(NameCase{u"/work/Proj/", u"Proj"},
                                         NameCase{u"/work/Proj", u"work"},
                                         NameCase{u"Proj/", u"Proj"}, NameCase{u"/", u""},
                                         NameCase{u"//", u""}, NameCase{u"Proj", u""},
                                         NameCase{u"", u""}));

} // namespace
} // namespace lorvane
