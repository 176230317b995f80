#include "core/changereport.h"
#include "core/error.h"
#include "core/lines.h"
#include "core/tests/recording_progress.h"
#include "core/tests/mixed_project.h"
#include "core/textfile.h"

#include <QTemporaryDir>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// What one build leaves behind: the report or the failure, and the
// progress calls on the way.
struct BuildRun
{
    ReportKind kind = ReportKind::Report;
    QStringList report;
    QByteArray bytes;
    QString failure;
    QStringList events;
};

template<typename Build>
BuildRun runOf(Build build)
{
    BuildRun run;
    RecordingProgress progress;
    try {
        build(run, progress);
    } catch (const Error &e) {
        run.failure = e.message();
    }
    run.events = progress.events;
    return run;
}

struct PathCase
{
    bool problems;
    int daysBack;
    ReportOptions options;
};

class ReportPaths : public testing::TestWithParam<PathCase>
{
protected:
    void SetUp() override
    {
        QRandomGenerator random(20261210);
        files = GenerateMixedProject(random, dir.path(), 300, kEnd, GetParam().problems);
    }

    // The builder against the line limit's one-thread builder, and the bytes
    // of the report against saving it.
    BuildRun expectSamePaths(QDate start)
    {
        const ReportOptions options = GetParam().options;
        const BuildRun parallel = runOf([&](BuildRun &run, ReportProgress &progress) {
            run.kind = BuildChangeReport(files, start, kEnd, options, progress, run.report);
        });
        const BuildRun plain = runOf([&](BuildRun &run, ReportProgress &progress) {
            RepeatedChangeReport builder(files, kEnd, options, progress);
            run.kind = builder.Build(start, run.report);
        });
        const BuildRun bytes = runOf([&](BuildRun &run, ReportProgress &progress) {
            const EncodedReport report = BuildChangeReportBytes(files, start, kEnd, options, progress);
            run.kind = report.kind;
            run.bytes = report.bytes;
        });
        EXPECT_EQ(parallel.failure, plain.failure);
        EXPECT_EQ(parallel.kind, plain.kind);
        EXPECT_EQ(parallel.report, plain.report);
        EXPECT_EQ(parallel.events, plain.events);
        EXPECT_EQ(bytes.failure, plain.failure);
        EXPECT_EQ(bytes.events, plain.events);
        if (plain.failure.isEmpty()) {
            EXPECT_EQ(bytes.kind, plain.kind);
            EXPECT_EQ(bytes.bytes, EncodeText(NormalizeLineBreaks(JoinLines(plain.report))));
        }
        return plain;
    }

    const QDate kEnd{2026, 12, 10};
    QTemporaryDir dir;
    QStringList files;
};

TEST_P(ReportPaths, GiveTheSameReportAsTheOneThreadBuilder)
{
    const BuildRun check = runOf([&](BuildRun &run, ReportProgress &progress) {
        run.kind = BuildChangeReport(files, kEnd.addDays(-GetParam().daysBack), kEnd, GetParam().options, progress,
                                     run.report);
    });
    EXPECT_EQ(check.kind, GetParam().problems ? ReportKind::ErrorList : ReportKind::Report);
    expectSamePaths(kEnd.addDays(-GetParam().daysBack));
}

// An unreadable file at the start, in the middle or at the end stops every
// path at that file with what came before it.
TEST_P(ReportPaths, StopAtTheSameUnreadableFile)
{
    for (const qsizetype at : {qsizetype(0), files.size() / 2, files.size() - 1}) {
        const QByteArray kept = readBytes(files[at]);
        writeBytes(files[at], "\xEF\xBB\xBF\xC0\x80");
        const BuildRun plain = expectSamePaths(kEnd.addDays(-GetParam().daysBack));
        EXPECT_EQ(plain.failure, NoMappingError(files[at]).message());
        EXPECT_EQ(plain.events.size(), 2 * at + 1);
        writeBytes(files[at], kept);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportPaths,
                         testing::Values(PathCase{false, 20, {}}, PathCase{false, 400, {true, true, false}},
                                         PathCase{false, 10, {false, true, true}},
                                         PathCase{false, 400, {true, false, true}}, PathCase{true, 20, {}},
                                         PathCase{true, 400, {true, true, true}}));

} // namespace
