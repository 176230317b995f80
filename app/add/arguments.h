#pragma once

#include "core/changeentry.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace lorvane {

// What a command line of lorvane-add asks for.
struct AddArguments
{
    enum class Mode { Add, Help, Version };

    Mode mode = Mode::Add;
    ChangeEntry entry;
    bool dryRun = false;
    QStringList files;
};

// Throws Error with a message for the user on a bad command line. The date
// defaults to `today`.
AddArguments ParseAddArguments(const QStringList &arguments, QDate today);

QString AddUsage();

} // namespace lorvane
