#pragma once

// libgit2's objects held by owners that free them, and its failures as
// the program's Error.

#include "core/error.h"

#include <git2.h>

#include <QString>

#include <memory>

namespace lorvane::git {

template<auto Free>
struct Freer
{
    template<typename T>
    void operator()(T *object) const
    {
        Free(object);
    }
};

template<typename T, auto Free>
using Owned = std::unique_ptr<T, Freer<Free>>;

using Repository = Owned<git_repository, git_repository_free>;
using Object = Owned<git_object, git_object_free>;
using Commit = Owned<git_commit, git_commit_free>;
using Tree = Owned<git_tree, git_tree_free>;
using Index = Owned<git_index, git_index_free>;
using Diff = Owned<git_diff, git_diff_free>;
using Blob = Owned<git_blob, git_blob_free>;
using Reference = Owned<git_reference, git_reference_free>;

// Holds the library initialised: the first of its users starts it, the
// last one's end shuts it down.
class Library
{
public:
    Library() { git_libgit2_init(); }
    ~Library() { git_libgit2_shutdown(); }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;
};

// The Error of a failed call: `what` failed, and the library's own reason.
[[noreturn]] inline void Fail(const QString &what)
{
    const git_error *error = git_error_last();
    if (error && error->message && *error->message)
        throw Error(what + QStringLiteral(". ") + QString::fromUtf8(error->message));
    throw Error(what);
}

// Throws Fail(what) when a call returned an error code.
inline void Check(int result, const QString &what)
{
    if (result < 0)
        Fail(what);
}

} // namespace lorvane::git
