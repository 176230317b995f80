#pragma once

// Runs one of the command-line programs the way a script would.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace lorvane::test {

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// Runs `program` with `arguments`, `input` on its standard input, in the
// folder `workingDirectory` (the test's own when empty), and waits for it to
// end; a program that does not end within a minute fails the test.
inline Outcome RunProgram(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                          const QString &workingDirectory = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString() << " did not end";
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace lorvane::test
