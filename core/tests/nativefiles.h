#pragma once

// Files by their native names, for tests of what a save leaves on disk:
// QFile cannot open names that are not UTF-8.

#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane::test {

inline struct stat StatOf(const QByteArray &path)
{
    struct stat info{};
    ::stat(path.constData(), &info);
    return info;
}

inline struct stat LstatOf(const QByteArray &path)
{
    struct stat info{};
    ::lstat(path.constData(), &info);
    return info;
}

inline QByteArray ReadNative(const QByteArray &path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[65536];
    for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    ::close(fd);
    return bytes;
}

inline void WriteNative(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// Every name in the folder, hidden ones included, sorted.
inline QList<QByteArray> NamesIn(const QByteArray &folder)
{
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir))
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names << QByteArray(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What `run` writes on standard error.
template<typename Run>
QByteArray StandardErrorOf(Run run)
{
    struct Redirection
    {
        Redirection() : capture(std::tmpfile()), saved(::dup(STDERR_FILENO))
        {
            std::fflush(stderr);
            ::dup2(::fileno(capture), STDERR_FILENO);
        }
        ~Redirection()
        {
            std::fflush(stderr);
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
            std::fclose(capture);
        }
        FILE *capture;
        int saved;
    } redirection;
    run();
    std::fflush(stderr);
    QByteArray text;
    std::rewind(redirection.capture);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, redirection.capture)) > 0;)
        text.append(buffer, qsizetype(got));
    return text;
}

} // namespace lorvane::test
