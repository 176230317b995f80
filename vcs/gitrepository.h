#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace lorvane {

// One file that a comparison found changed: new, or with content other
// than the base's. A file only renamed, or only given another mode, is not
// changed; a deleted file, a link and a submodule are never listed.
struct ChangedFile
{
    // Absolute, in the work tree; each name as FileNameFromBytes gives it,
    // so that a name that is not UTF-8 opens again.
    QString path;
    // The id of the file's blob at the base (under its old name when it was
    // renamed); none for a file that the base does not have.
    std::optional<QByteArray> baseBlob;
    // For the staged changes, the id of the blob that the index holds for
    // the next commit; none for the work tree's changes.
    std::optional<QByteArray> stagedBlob;
};

// What a comparison found.
struct FileChanges
{
    // The changed files, ordered by the bytes of their paths.
    QList<ChangedFile> files;
    // The absolute paths of the submodules (and repositories that git does
    // not track inside the work tree) that the comparison found changed or
    // new: their files are not compared, so the caller may say that they
    // were skipped.
    QStringList skippedSubmodules;
};

// A git repository and its work tree, read with libgit2: no git process is
// started. Failures throw Error with a message for the user.
class GitRepository
{
public:
    // Opens the repository whose work tree holds `path`, a folder or a file
    // at any depth of a work tree, also one that `git worktree add` made for
    // another repository. As git's own commands do, it honours GIT_DIR and
    // GIT_INDEX_FILE, which git sets for its hooks (a commit with -a stages
    // into another index file). Throws Error when `path` does not exist or
    // is in no work tree.
    explicit GitRepository(const QString &path);
    ~GitRepository();
    GitRepository(GitRepository &&) noexcept;
    GitRepository &operator=(GitRepository &&) noexcept;

    // The top folder of the work tree, absolute, with a final "/".
    QString WorkTree() const;

    // The changes from the merge base of `ref` (a branch, a remote branch, a
    // tag, a commit id, or anything else git reads as a revision) and HEAD
    // to the work tree: committed since the base, staged or not, and new
    // files that git does not ignore. Renames are found, also to new files
    // not yet added. Throws Error when `ref` names no commit, when HEAD has
    // no commit yet, or when the two have no merge base; in a shallow clone
    // the messages say that the history must be fetched.
    FileChanges ChangesSince(const QString &ref) const;

    // The changes from HEAD to the index: what the next commit takes. An
    // unborn HEAD (before the first commit) counts as an empty tree.
    FileChanges StagedChanges() const;

    // The bytes to check of a changed file: its staged blob's for the
    // staged changes, else the work tree file's (read with ReadFileBytes,
    // which throws its errors). A blob is given as a checkout would write
    // it (line breaks and identification by the work tree's attributes).
    QByteArray Bytes(const ChangedFile &file) const;
    // The bytes of the file at the base as git stores them; none for a new
    // file. Only its entries are read, which a checkout's line breaks and
    // identification do not change, and the attributes that a checkout
    // would look up cost more than the rest of the reading.
    std::optional<QByteArray> BaseBytes(const ChangedFile &file) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace lorvane
