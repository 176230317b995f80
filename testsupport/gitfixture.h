#pragma once

// Real git repositories made by `git` in a temporary folder, for the tests
// of what reads them: the repository library and the commands.

#include "core/filename.h"
#include "testsupport/headertext.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

namespace lorvane::test {

// Headers of the files in the repositories, dated for a today in 2024 or
// later: two old entries; the same with a new one of 01.06.2024; the old
// header with a changed body; and a new entry of a year still to come.
inline const QStringList kOldChanges{"  05.03.2019 [+] Учёт наценки.", "  14.06.2017 [+] Создание."};
inline const QString kOldHeader = HeaderText(kOldChanges, "Copyright © 2017…2019");
inline const QString kNewEntryHeader =
    HeaderText(QStringList{"  01.06.2024 [+] Новое."} + kOldChanges, "Copyright © 2017…2024");
inline const QString kChangedBody = kOldHeader + "  x := 1;\r\n";
inline const QString kFutureHeader =
    HeaderText(QStringList{"  01.06.2062 [+] Новое."} + kOldChanges, "Copyright © 2017…2062");

// "Пример.pas" in Windows-1251: a name that is not UTF-8.
inline const QByteArray kOddName("\xCF\xF0\xE8\xEC\xE5\xF0.pas");

// Each test works in a folder of its own, with git, libgit2 and the
// programs the test starts reading only the configuration made there.
class GitFixture : public testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + u'/';
        for (const char *name : {"GIT_DIR", "GIT_INDEX_FILE", "GIT_WORK_TREE", "GIT_OBJECT_DIRECTORY",
                                 "GIT_ALTERNATE_OBJECT_DIRECTORIES", "GIT_NAMESPACE"})
            qunsetenv(name);
        // A temporary folder inside some work tree must not find it.
        qputenv("GIT_CEILING_DIRECTORIES", QFile::encodeName(QFileInfo(dir.path()).absolutePath()));
        qputenv("HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        qputenv("GIT_CONFIG_NOSYSTEM", "1");
        for (const char *name : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
            qputenv(name, "Tester");
        for (const char *name : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
            qputenv(name, "tester@example.org");
    }
    void TearDown() override
    {
        qunsetenv("GIT_INDEX_FILE");
        // By bytes: Qt cannot remove a name that is not UTF-8.
        std::filesystem::remove_all(FileNameToBytes(dir.path()).toStdString());
    }

    QString git(const QString &folder, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start("git", QStringList{"-c", "protocol.file.allow=always"} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString() << ": "
                                         << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // A repository on branch main.
    QString init(const QString &name)
    {
        const QString folder = root + name;
        QDir().mkpath(folder);
        git(folder, {"init", "-q", "-b", "main"});
        return folder;
    }

    // A text in Windows-1251, the code page the tests' programs read.
    void write(const QString &path, const QString &text)
    {
        writeNative(FileNameToBytes(path), encode(text, Encoding::Cp1251));
    }
    static void writeNative(const QByteArray &path, const QByteArray &bytes)
    {
        QDir().mkpath(FileNameFromBytes(path.left(path.lastIndexOf('/'))));
        std::FILE *file = std::fopen(path.constData(), "wb");
        ASSERT_NE(file, nullptr) << path.toStdString();
        EXPECT_EQ(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file), size_t(bytes.size()));
        std::fclose(file);
    }

    void commitAll(const QString &folder, const QString &message = "change")
    {
        git(folder, {"add", "-A"});
        git(folder, {"commit", "-q", "-m", message});
    }

    // The repository "r": three source files and a note on main, a
    // .gitignore for "ignored/", and the branch feature checked out.
    QString project()
    {
        const QString r = init("r");
        for (const char *name : {"A.pas", "B.pas", "C.pas"})
            write(r + "/" + name, kOldHeader);
        write(r + "/notes.txt", "notes\r\n");
        write(r + "/.gitignore", "ignored/\n");
        commitAll(r, "start");
        git(r, {"checkout", "-q", "-b", "feature"});
        return r;
    }

    // "r" with a commit on main and one on feature after the branch point.
    QString diverged()
    {
        const QString r = project();
        write(r + "/A.pas", kNewEntryHeader);
        commitAll(r, "on feature");
        git(r, {"checkout", "-q", "main"});
        write(r + "/B.pas", kChangedBody);
        commitAll(r, "on main");
        git(r, {"checkout", "-q", "feature"});
        return r;
    }

    QTemporaryDir dir;
    QString root;
};

} // namespace lorvane::test
