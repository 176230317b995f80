#include "testsupport/program.h"

#include <QProcessEnvironment>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

// Qt takes its scale once per process: each scale is a run of the walk over
// both windows, every available style and the font sizes 9 to 14 pt.
TEST(ControlFitTest, NoControlIsCutUnderAnyStyleFontOrScale)
{
    for (const char *scale : {"1", "1.5", "2"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1StringView(scale));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const test::Outcome walk = test::RunProgram(QStringLiteral(LORVANE_CONTROLFIT_WALK), {}, {}, environment);
        EXPECT_EQ(walk.exitCode, 0) << "scale " << scale << ":\n" << walk.out.toStdString() << walk.err.toStdString();
    }
}

} // namespace
} // namespace lorvane
