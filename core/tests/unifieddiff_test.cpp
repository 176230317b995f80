#include "testsupport/testfiles.h"
#include "core/unifieddiff.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

QString numbered(int from, int to)
{
    QString text;
    for (int i = from; i <= to; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

TEST(UnifiedDiff, ShowsChangesWithThreeLinesOfContextAndMergesCloseHunks)
{
    const QString before = numbered(1, 30);
    QString after = before;
    after.replace("line 5\r\n", "line 5\r\nnew A\r\nnew B\r\n");
    after.replace("line 10\r\n", "line ten\r\n");
    after.replace("line 25\r\n", "");
    EXPECT_EQ(UnifiedDiff("a.pas", "b.pas", before, after),
              "--- a.pas\n+++ b.pas\n"
              "@@ -3,11 +3,13 @@\n line 3\n line 4\n line 5\n+new A\n+new B\n line 6\n line 7\n line 8\n line 9\n"
              "-line 10\n+line ten\n line 11\n line 12\n line 13\n"
              "@@ -22,7 +24,6 @@\n line 22\n line 23\n line 24\n-line 25\n line 26\n line 27\n line 28\n");
}

TEST(UnifiedDiff, NamesTheLineBeforeAnEmptySideAndMarksAnUnendedLastLine)
{
    EXPECT_EQ(UnifiedDiff("f", "f", u"", u"ё\n"), "--- f\n+++ f\n@@ -0,0 +1 @@\n+\xD1\x91\n");
    EXPECT_EQ(UnifiedDiff("f", "f", u"a\r\nb", u"a\r\nb\r\nc"),
              "--- f\n+++ f\n@@ -1,2 +1,3 @@\n a\n-b\n\\ No newline at end of file\n+b\n+c\n"
              "\\ No newline at end of file\n");
}

TEST(UnifiedDiff, SameLinesWithOtherBreaksGiveNoDiff)
{
    EXPECT_EQ(UnifiedDiff("f", "f", u"a\r\nb\r\n", u"a\nb\n"), "");
}

} // namespace
