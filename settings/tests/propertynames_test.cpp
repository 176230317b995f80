#include "settings/tests/fakewidgets.h"
#include "core/error.h"
#include "settings/mapping/propertynames.h"

#include "testsupport/testing.h"

using namespace lorvane;
using testing::ElementsAre;

namespace {

class PlainWindow : public QObject
{
public:
    PlainWindow()
    {
        setObjectName(QStringLiteral("AnalisisDG"));
        // An unnamed panel between the window and its controls is looked through.
        auto *panel = new QObject(this);
        auto *group = new FakeGroupBox(panel, QStringLiteral("gbOption"));
        new FakeCheckBox(group, QStringLiteral("cbHTML"));
        new FakeDateEdit(group, QStringLiteral("edDate"));
        new FakeComboBox(this, QStringLiteral("cbSource"));
        new FakeControl(this, QStringLiteral("qt_internal"));
    }
};

TEST(PropertyNamesOrder, KeepsWindowPropertiesFirstAndComponentsBeforeTheirChildren)
{
    TPropertyNamesEh names;
    names.Add(QStringLiteral("meResult.<P>.Height"));
    names.Add(QStringLiteral("<P>.Height"));
    EXPECT_EQ(names.Add(QStringLiteral("cbSource.<P>.Text")), 1);
    EXPECT_EQ(names.Add(QStringLiteral("<p>.height")), -1);
    names.Add(QStringLiteral("gbOption.edDateEnd.<P>.Date"));
    names.Add(QStringLiteral("gbOption.edDate.<P>.Date"));
    names.Add(QStringLiteral("gbOption.cbHTML.<P>.Checked"));
    names.Add(QStringLiteral("gbOption.<P>.Height"));
    names.Add(QStringLiteral("gbOption.<ForAllItems>.<P>.X"));
    names.Add(QStringLiteral("<P>.Left"));
    EXPECT_THAT(names.strings(),
                ElementsAre("<P>.Height", "<P>.Left", "cbSource.<P>.Text", "gbOption.<P>.Height",
                            "gbOption.cbHTML.<P>.Checked", "gbOption.edDate.<P>.Date",
                            "gbOption.edDateEnd.<P>.Date", "gbOption.<ForAllItems>.<P>.X",
                            "meResult.<P>.Height"));
}

TEST(PropertyNamesOrder, ShorterPathFirstAndEqualPathsCompareEqual)
{
    EXPECT_LT(TPropertyNamesEh::CompareStrings("a.b", "a.b.c"), 0);
    EXPECT_GT(TPropertyNamesEh::CompareStrings("B.<P>.x", "a.<P>.x"), 0);
    EXPECT_EQ(TPropertyNamesEh::CompareStrings("cbSource.<P>.Text", "CBSOURCE.<p>.text"), 0);
}

struct PathCase
{
    const char *path;
    bool valid;
};

class PathCheck : public testing::TestWithParam<PathCase>
{
};

TEST_P(PathCheck, ResolvesComponentsAndProperties)
{
    PlainWindow window;
    TPropertyNamesEh names;
    names.setRoot(&window);
    EXPECT_EQ(names.Add(QString::fromUtf8(GetParam().path)) >= 0, GetParam().valid) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathCheck,
    testing::Values(PathCase{"gbOption.cbHTML.<P>.Checked", true},
                    PathCase{"GBOPTION.CBhtml.<p>.checked", true},
                    PathCase{"gbOption.edDate.<P>.Date", true},
                    PathCase{"cbSource.<P>.Items.Strings", true},
                    PathCase{"cbSource.<P>.Items", true},
                    PathCase{"cbHTML.<P>.Checked", false},
                    PathCase{"gbOption.cbHTML.<P>.Missing", false},
                    PathCase{"cbSource.<P>.Text.Length", false},
                    PathCase{"cbSource.<P>.Items.Missing", false},
                    PathCase{"cbSource.<P>.Items.Strings.More", false},
                    PathCase{"qt_internal.<P>.Height", false},
                    PathCase{"cbSource.<P>.objectName", false},
                    PathCase{"gbOption.cbHTML.<P>", false}));

TEST(PathCheckMessage, EmptyComponentElementNamesTheRestOfThePath)
{
    PlainWindow window;
    TPropertyNamesEh names;
    names.setRoot(&window);
    for (const auto &[path, message] : {std::pair{"gbOption", "Invalide property path: \"\""},
                                        std::pair{"gbOption..<P>.Height", "Invalide property path: \".<P>.Height\""},
                                        std::pair{".gbOption.<P>.Height", "Invalide property path: \".gbOption.<P>.Height\""}}) {
        try {
            names.Add(QString::fromUtf8(path));
            ADD_FAILURE() << path;
        } catch (const Error &error) {
            EXPECT_EQ(error.message(), QString::fromUtf8(message));
        }
    }
    EXPECT_EQ(names.count(), 0);
}

TEST(PathCheckRoot, SettingRootDropsUnresolvedEntriesAndLoadingSkipsTheCheck)
{
    PlainWindow window;
    TPropertyNamesEh names;
    names.Add(QStringLiteral("cbHTML.<P>.Checked"));
    names.Add(QStringLiteral("gbOption.cbHTML.<P>.Checked"));
    names.Add(QStringLiteral("gbOption"));
    names.setRoot(&window);
    EXPECT_THAT(names.strings(), ElementsAre("gbOption.cbHTML.<P>.Checked"));

    names.setRootLoading(true);
    EXPECT_GE(names.Add(QStringLiteral("missing.<P>.Text")), 0);
}

} // namespace
