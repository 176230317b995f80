#pragma once

#include <QString>
#include <QStringList>

namespace lorvane {

// Where lorvane-check writes its problems.
enum class CheckFormat { Text, Json, Gnu, Github };

// What a command line of lorvane-check asks for.
struct CheckArguments
{
    enum class Mode { Check, Help, Version };
    // Which files are checked: every source file under the PATHs, or the
    // ones changed since the merge base of a revision, or the staged ones.
    enum class Scope { All, Since, Staged };

    Mode mode = Mode::Check;
    Scope scope = Scope::All;
    QString ref; // with Scope::Since
    CheckFormat format = CheckFormat::Text;
    QStringList paths; // never empty: "." when none is given
};

// Throws Error with a message for the user on a bad command line.
CheckArguments ParseCheckArguments(const QStringList &arguments);

QString CheckUsage();

} // namespace lorvane
