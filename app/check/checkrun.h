#pragma once

#include "app/check/arguments.h"
#include "core/changereport.h"

#include <QDate>
#include <QStringList>

namespace lorvane {

// What one run of lorvane-check found.
struct CheckFindings
{
    // The files checked, in the order checked: as the search found them, or
    // absolute in the work tree.
    QStringList files;
    // The problems in file order, each file's in line order; `file` indexes
    // `files`.
    QList<HeaderProblem> problems;
    FirstDateCount firstDates;
};

// Checks the files that the arguments name on the day `today`: every source
// file under the PATHs, or the changed ones of the git work tree of the
// current folder that lie inside them. Submodules that a comparison skips
// are named on standard error. Throws Error on a failure: a file that cannot
// be read or does not decode (naming it), a folder that cannot be searched,
// no work tree, a revision that cannot be compared with.
CheckFindings RunCheck(const CheckArguments &args, QDate today);

} // namespace lorvane
