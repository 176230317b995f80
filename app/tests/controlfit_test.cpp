#include "testsupport/program.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

// Qt takes its scale once per process: each scale is a run of the walk over
// both windows, every available style and the font sizes 9 to 14 pt. The
// screen is a large one, as users at 200 % have: on a small one the windows
// are fitted into it and must leave the pane short.
TEST(ControlFitTest, NoControlIsCutUnderAnyStyleFontOrScale)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString screens = folder.filePath(QStringLiteral("screens.json"));
    QFile file(screens);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 3840, "height": 2160, "logicalDpi": 96}]})");
    file.close();
    for (const char *scale : {"1", "1.5", "2"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1StringView(scale));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screens);
        const test::Outcome walk = test::RunProgram(QStringLiteral(LORVANE_CONTROLFIT_WALK), {}, {}, environment);
        EXPECT_EQ(walk.exitCode, 0) << "scale " << scale << ":\n" << walk.out.toStdString() << walk.err.toStdString();
    }
}

} // namespace
} // namespace lorvane
