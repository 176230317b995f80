#include "app/check/checkrun.h"

#include "app/commandline/commandline.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/headercheck.h"
#include "core/orderedwork.h"
#include "core/textfile.h"
#include "discovery/search.h"
#include "vcs/gitrepository.h"

#include <QDir>
#include <QSet>

#include <climits>
#include <cstdlib>

namespace lorvane {

namespace {

QString bareName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// What the checks of one file found.
struct FileCheck
{
    QList<HeaderProblem> problems;
    FirstDateCount firstDates;
};

// Runs the checks of one file's bytes. Bytes that do not decode fail as
// reading the file does: naming it.
template<typename Check>
FileCheck checkBytes(const QString &path, const QByteArray &bytes, Check check)
{
    FileCheck result;
    try {
        result.problems = check(bareName(path), result.firstDates);
    } catch (const Error &) {
        DecodeText(bytes, path); // the same failure, naming the file
        throw;                   // any other as it came
    }
    return result;
}

// Paths against the current folder, which is asked for once: a check may
// name tens of thousands of files.
class CurrentFolder
{
public:
    QString absolute(const QString &path) const
    {
        return QDir::cleanPath(path.startsWith(u'/') ? path : m_folder.path() + u'/' + path);
    }
    QString relative(const QString &path) const { return m_folder.relativeFilePath(absolute(path)); }

private:
    QDir m_folder{AbsoluteFileName(QStringLiteral("."))};
};

class Findings
{
public:
    void add(const QString &path, const FileCheck &check)
    {
        const qsizetype file = m_findings.files.size();
        m_findings.files << m_current.relative(path);
        for (HeaderProblem problem : check.problems) {
            problem.file = file;
            m_findings.problems << problem;
        }
        m_findings.firstDates.read += check.firstDates.read;
        m_findings.firstDates.unread += check.firstDates.unread;
    }
    CheckFindings take() { return std::move(m_findings); }

private:
    CurrentFolder m_current;
    CheckFindings m_findings;
};

// The files that the PATHs name: a folder's source files, a file itself;
// each once.
QStringList filesOf(const QStringList &paths)
{
    const CurrentFolder current;
    QStringList files;
    QSet<QString> seen;
    for (const QString &path : paths) {
        for (const QString &file : IsFolder(path) ? SearchSourceFolder(path) : QStringList{path}) {
            const QString absolute = current.absolute(file);
            if (!seen.contains(absolute)) {
                seen.insert(absolute);
                files << file;
            }
        }
    }
    return files;
}

// Every file on its own, read and checked on a few threads.
CheckFindings checkFiles(const QStringList &paths, QDate today)
{
    const QStringList files = filesOf(paths);
    OrderedWork<FileCheck> work(files.size(), OrderedWork<FileCheck>::WorkersFor(files.size()),
                                [&files, today](int, qsizetype item) {
                                    const QString &path = files[item];
                                    const QByteArray bytes = ReadFileBytes(path);
                                    return checkBytes(path, bytes, [&](const QString &name, FirstDateCount &dates) {
                                        return CheckHeader(name, bytes, today, &dates);
                                    });
                                });
    Findings findings;
    for (const QString &path : files)
        findings.add(path, work.next());
    return findings.take();
}

// The path with its links resolved when it exists, else made absolute: as
// the work tree's own path is given.
QString resolvedPath(const QString &path)
{
    char resolved[PATH_MAX];
    const QByteArray native = FileNameToBytes(AbsoluteFileName(path));
    if (!native.contains('\0') && ::realpath(native.constData(), resolved))
        return FileNameFromBytes(QByteArray(resolved));
    return AbsoluteFileName(path);
}

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// The PATHs as folders or files of the work tree `top`.
QStringList pathsInWorkTree(const QStringList &paths, const QString &top)
{
    QStringList within;
    for (const QString &path : paths) {
        const QString resolved = resolvedPath(path);
        if (!isInside(resolved + u'/', top))
            throw Error(QStringLiteral("\"%1\" is outside the git work tree \"%2\"").arg(resolved, top.chopped(1)));
        within << resolved;
    }
    return within;
}

bool isInsideAny(const QString &path, const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (isInside(path, folder))
            return true;
    }
    return false;
}

// Whether any file of the folder lies inside the PATHs.
bool holdsFilesInside(const QString &folder, const QStringList &paths)
{
    for (const QString &path : paths) {
        if (isInside(folder, path) || isInside(path, folder))
            return true;
    }
    return false;
}

// A source file as the search of the work tree would find it: a source
// file's name, in no folder whose name begins with ".".
bool isSourceFile(const QString &path, const QString &top)
{
    const QStringList parts = path.mid(top.size()).split(u'/');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].startsWith(u'.'))
            return false;
    }
    return IsSourceFileName(parts.last());
}

// The changed source files inside the PATHs, each with its base.
CheckFindings checkChanges(const CheckArguments &args, QDate today)
{
    const GitRepository repository(QStringLiteral("."));
    const QString top = repository.WorkTree();
    const QStringList within = pathsInWorkTree(args.paths, top);
    const FileChanges changes = args.scope == CheckArguments::Scope::Since ? repository.ChangesSince(args.ref)
                                                                           : repository.StagedChanges();
    for (const QString &submodule : changes.skippedSubmodules) {
        if (holdsFilesInside(submodule, within))
            PrintError(QStringLiteral("Skipped submodule \"%1\": its files are not checked")
                           .arg(CurrentFolder().relative(submodule)));
    }
    Findings findings;
    for (const ChangedFile &file : changes.files) {
        if (!isSourceFile(file.path, top) || !isInsideAny(file.path, within))
            continue;
        const QByteArray bytes = repository.Bytes(file);
        const std::optional<QByteArray> base = repository.BaseBytes(file);
        findings.add(file.path, checkBytes(file.path, bytes, [&](const QString &name, FirstDateCount &dates) {
                         return CheckChangedHeader(name, bytes, base, today, &dates);
                     }));
    }
    return findings.take();
}

} // namespace

CheckFindings RunCheck(const CheckArguments &args, QDate today)
{
    if (args.scope == CheckArguments::Scope::All)
        return checkFiles(args.paths, today);
    return checkChanges(args, today);
}

} // namespace lorvane
