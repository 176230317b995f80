#include "vcs/gitrepository.h"

#include "core/filename.h"
#include "core/textfile.h"
#include "vcs/gitowned.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <vector>

namespace lorvane {

using namespace git;

namespace {

QByteArray rawId(const git_oid &id)
{
    return QByteArray(reinterpret_cast<const char *>(id.id), GIT_OID_RAWSZ);
}

git_oid oidOf(const QByteArray &raw)
{
    git_oid id;
    git_oid_fromraw(&id, reinterpret_cast<const unsigned char *>(raw.constData()));
    return id;
}

// The folder to search from: a path's own folder, or the folder that
// holds a file.
QByteArray searchStart(const QString &path)
{
    const QString absolute = AbsoluteFileName(path);
    QByteArray native = FileNameToBytes(absolute);
    struct stat info;
    if (native.contains('\0') || ::stat(native.constData(), &info) != 0)
        throw Error(QStringLiteral("\"%1\" is not in a git work tree. %2")
                        .arg(absolute, SystemErrorText(native.contains('\0') ? EINVAL : errno)));
    if (!S_ISDIR(info.st_mode))
        native.truncate(native.lastIndexOf('/') + 1);
    return native;
}

bool isBlobMode(uint16_t mode)
{
    return mode == GIT_FILEMODE_BLOB || mode == GIT_FILEMODE_BLOB_EXECUTABLE;
}

// A submodule is a commit in the tree; a repository inside the work tree
// that git does not track is listed as its folder.
bool isRepositoryInside(const git_diff_delta &delta)
{
    if (delta.old_file.mode == GIT_FILEMODE_COMMIT || delta.new_file.mode == GIT_FILEMODE_COMMIT)
        return true;
    const char *path = delta.new_file.path;
    return path && *path && path[qstrlen(path) - 1] == '/';
}

} // namespace

struct GitRepository::State
{
    Library library; // first: started before the objects, shut down after them
    Repository repository;
    QString workTree;
    QByteArray workTreeBytes;

    git_oid resolve(const QString &ref) const;
    std::optional<git_oid> head() const;
    git_oid mergeBase(const QString &ref, const git_oid &refId, const git_oid &headId) const;
    Tree treeOf(const git_oid &commitId) const;
    FileChanges changes(git_diff *diff, bool staged) const;
    bool sameContent(const git_diff_delta &delta) const;
    Blob blob(const QByteArray &id, const QString &path) const;
    QByteArray blobBytes(const QByteArray &id, const QString &path) const;
    QByteArray rawBlobBytes(const QByteArray &id, const QString &path) const;
};

GitRepository::GitRepository(const QString &path) : m_state(std::make_unique<State>())
{
    const QByteArray start = searchStart(path);
    git_repository *repository = nullptr;
    const int result = git_repository_open_ext(&repository, start.constData(), GIT_REPOSITORY_OPEN_FROM_ENV, nullptr);
    m_state->repository.reset(repository);
    const QString notInWorkTree = QStringLiteral("\"%1\" is not in a git work tree").arg(AbsoluteFileName(path));
    if (result == GIT_ENOTFOUND)
        throw Error(notInWorkTree);
    Check(result, QStringLiteral("Cannot open the git repository of \"%1\"").arg(AbsoluteFileName(path)));
    const char *workTree = git_repository_workdir(repository);
    if (!workTree)
        throw Error(notInWorkTree);
    m_state->workTreeBytes = workTree;
    m_state->workTree = FileNameFromBytes(m_state->workTreeBytes);
}

GitRepository::~GitRepository() = default;
GitRepository::GitRepository(GitRepository &&) noexcept = default;
GitRepository &GitRepository::operator=(GitRepository &&) noexcept = default;

QString GitRepository::WorkTree() const
{
    return m_state->workTree;
}

git_oid GitRepository::State::resolve(const QString &ref) const
{
    const QByteArray revision = FileNameToBytes(ref);
    git_object *found = nullptr;
    const int result = revision.contains('\0') ? GIT_EINVALIDSPEC
                                                : git_revparse_single(&found, repository.get(), revision.constData());
    const Object object(found);
    if (result == GIT_ENOTFOUND || result == GIT_EINVALIDSPEC)
        throw Error(QStringLiteral("Unknown revision \"%1\": it is no branch, tag or commit of the repository; "
                                   "a shallow clone needs its history (for example fetch-depth: 0)")
                        .arg(ref));
    Check(result, QStringLiteral("Cannot read the revision \"%1\"").arg(ref));
    git_object *peeled = nullptr;
    if (git_object_peel(&peeled, object.get(), GIT_OBJECT_COMMIT) < 0)
        throw Error(QStringLiteral("Revision \"%1\" is not a commit").arg(ref));
    const Object commit(peeled);
    return *git_object_id(commit.get());
}

std::optional<git_oid> GitRepository::State::head() const
{
    const int unborn = git_repository_head_unborn(repository.get());
    Check(unborn, QStringLiteral("Cannot read HEAD"));
    if (unborn == 1)
        return std::nullopt;
    git_oid id;
    Check(git_reference_name_to_id(&id, repository.get(), "HEAD"), QStringLiteral("Cannot read HEAD"));
    return id;
}

git_oid GitRepository::State::mergeBase(const QString &ref, const git_oid &refId, const git_oid &headId) const
{
    git_oid base;
    const int result = git_merge_base(&base, repository.get(), &refId, &headId);
    if (result == 0)
        return base;
    const QString what = QStringLiteral("No merge base of \"%1\" and HEAD").arg(ref);
    if (git_repository_is_shallow(repository.get()) == 1)
        throw Error(what + QStringLiteral(": the repository is a shallow clone without the history that joins "
                                          "them; fetch it (for example with fetch-depth: 0)"));
    if (result == GIT_ENOTFOUND)
        throw Error(what);
    Fail(what);
}

Tree GitRepository::State::treeOf(const git_oid &commitId) const
{
    git_commit *found = nullptr;
    Check(git_commit_lookup(&found, repository.get(), &commitId), QStringLiteral("Cannot read a commit"));
    const Commit commit(found);
    git_tree *tree = nullptr;
    Check(git_commit_tree(&tree, commit.get()), QStringLiteral("Cannot read the tree of a commit"));
    return Tree(tree);
}

FileChanges GitRepository::ChangesSince(const QString &ref) const
{
    const State &state = *m_state;
    const git_oid refId = state.resolve(ref);
    const std::optional<git_oid> headId = state.head();
    if (!headId)
        throw Error(QStringLiteral("HEAD has no commit yet, so it has no merge base with \"%1\"").arg(ref));
    const Tree tree = state.treeOf(state.mergeBase(ref, refId, *headId));
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.flags = GIT_DIFF_INCLUDE_UNTRACKED | GIT_DIFF_RECURSE_UNTRACKED_DIRS | GIT_DIFF_INCLUDE_UNREADABLE;
    options.ignore_submodules = GIT_SUBMODULE_IGNORE_DIRTY;
    git_diff *diff = nullptr;
    Check(git_diff_tree_to_workdir_with_index(&diff, state.repository.get(), tree.get(), &options),
          QStringLiteral("Cannot compare the work tree with \"%1\"").arg(ref));
    const Diff owned(diff);
    return state.changes(diff, false);
}

FileChanges GitRepository::StagedChanges() const
{
    const State &state = *m_state;
    const std::optional<git_oid> headId = state.head();
    const Tree tree = headId ? state.treeOf(*headId) : Tree();
    git_index *found = nullptr;
    Check(git_repository_index(&found, state.repository.get()), QStringLiteral("Cannot read the git index"));
    const Index index(found);
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.ignore_submodules = GIT_SUBMODULE_IGNORE_DIRTY;
    git_diff *diff = nullptr;
    Check(git_diff_tree_to_index(&diff, state.repository.get(), tree.get(), index.get(), &options),
          QStringLiteral("Cannot compare the git index with HEAD"));
    const Diff owned(diff);
    return state.changes(diff, true);
}

// Whether a file that the base has still holds what it held there: then
// only its name or mode changed.
bool GitRepository::State::sameContent(const git_diff_delta &delta) const
{
    if (delta.status == GIT_DELTA_UNREADABLE)
        return false;
    git_oid now = delta.new_file.id;
    if (!(delta.new_file.flags & GIT_DIFF_FLAG_VALID_ID)) {
        // A work tree file, hashed as git would store it.
        const QByteArray path = workTreeBytes + delta.new_file.path;
        if (git_repository_hashfile(&now, repository.get(), path.constData(), GIT_OBJECT_BLOB, delta.new_file.path) < 0)
            return false;
    }
    return git_oid_equal(&now, &delta.old_file.id);
}

FileChanges GitRepository::State::changes(git_diff *diff, bool staged) const
{
    git_diff_find_options find = GIT_DIFF_FIND_OPTIONS_INIT;
    find.flags = GIT_DIFF_FIND_RENAMES | GIT_DIFF_FIND_FOR_UNTRACKED;
    Check(git_diff_find_similar(diff, &find), QStringLiteral("Cannot find renamed files"));

    struct Found
    {
        QByteArray key;
        ChangedFile file;
    };
    std::vector<Found> found;
    FileChanges changes;
    const size_t count = git_diff_num_deltas(diff);
    for (size_t i = 0; i < count; ++i) {
        const git_diff_delta &delta = *git_diff_get_delta(diff, i);
        // A conflict cannot be committed, and has no staged blob to read.
        if (delta.status == GIT_DELTA_DELETED || delta.status == GIT_DELTA_UNMODIFIED
            || delta.status == GIT_DELTA_IGNORED || (staged && delta.status == GIT_DELTA_CONFLICTED))
            continue;
        const QByteArray relative = delta.new_file.path;
        if (isRepositoryInside(delta)) {
            QByteArray folder = relative;
            if (folder.endsWith('/'))
                folder.chop(1);
            changes.skippedSubmodules << FileNameFromBytes(workTreeBytes + folder);
            continue;
        }
        if (!isBlobMode(delta.new_file.mode))
            continue;
        ChangedFile file;
        file.path = FileNameFromBytes(workTreeBytes + relative);
        const bool inBase = delta.status != GIT_DELTA_ADDED && delta.status != GIT_DELTA_UNTRACKED
                            && !git_oid_is_zero(&delta.old_file.id);
        if (inBase) {
            if (sameContent(delta))
                continue;
            file.baseBlob = rawId(delta.old_file.id);
        }
        if (staged)
            file.stagedBlob = rawId(delta.new_file.id);
        found.push_back({relative, std::move(file)});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.key < b.key; });
    for (Found &item : found)
        changes.files << std::move(item.file);
    return changes;
}

Blob GitRepository::State::blob(const QByteArray &id, const QString &path) const
{
    const git_oid oid = oidOf(id);
    git_blob *found = nullptr;
    Check(git_blob_lookup(&found, repository.get(), &oid),
          QStringLiteral("Cannot read the git blob of \"%1\"").arg(path));
    return Blob(found);
}

QByteArray GitRepository::State::rawBlobBytes(const QByteArray &id, const QString &path) const
{
    const Blob found = blob(id, path);
    return QByteArray(static_cast<const char *>(git_blob_rawcontent(found.get())), qsizetype(git_blob_rawsize(found.get())));
}

QByteArray GitRepository::State::blobBytes(const QByteArray &id, const QString &path) const
{
    const Blob found = blob(id, path);
    const QByteArray relative = FileNameToBytes(path).mid(workTreeBytes.size());
    git_blob_filter_options options = GIT_BLOB_FILTER_OPTIONS_INIT;
    git_buf buffer = GIT_BUF_INIT;
    const int result = git_blob_filter(&buffer, found.get(), relative.constData(), &options);
    const QByteArray bytes = result < 0 ? QByteArray() : QByteArray(buffer.ptr, qsizetype(buffer.size));
    git_buf_dispose(&buffer);
    Check(result, QStringLiteral("Cannot read the git blob of \"%1\"").arg(path));
    return bytes;
}

QByteArray GitRepository::Bytes(const ChangedFile &file) const
{
    if (file.stagedBlob)
        return m_state->blobBytes(*file.stagedBlob, file.path);
    return ReadFileBytes(file.path);
}

std::optional<QByteArray> GitRepository::BaseBytes(const ChangedFile &file) const
{
    if (!file.baseBlob)
        return std::nullopt;
    return m_state->rawBlobBytes(*file.baseBlob, file.path);
}

} // namespace lorvane
