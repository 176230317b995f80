#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lorvane {

// Appends to List every file below Folder whose extension (from the last ".",
// compared with a-z folded to upper case) is "." + Ext. The walk is depth
// first, the entries of each folder sorted by name in UTF-16 code-unit order.
// Names beginning with "." and names caught by the exclusion pattern (see
// NameMatches) are skipped, files and folders alike. OnFolder, when given,
// receives the folder text followed by "..." for every folder entered, before
// its entries are read. Links to folders are followed, but no folder is
// entered twice in one call. A folder that cannot be listed contributes
// nothing; OnSkipped, when given, receives its folder text and the system's
// error code. Pending events run after every entry while an application
// instance exists. A Folder without a final "/" gets one.
using SkippedFolderSink = std::function<void(const QString &folder, int errorCode)>;
void SearchFiles(const QString &Folder, const QString &Ext, QStringList &List,
                 const std::function<void(const QString &)> &OnFolder = {},
                 const QString &Exclude = {}, const SkippedFolderSink &OnSkipped = {});

// Whether a file of this bare name is a source file as FindSourceFiles
// takes it: its extension is one of the four, with a to z folded, and the
// name does not begin with ".". (The search also leaves out whatever lies
// in a folder whose name begins with ".".)
bool IsSourceFileName(QStringView name);

// The source files of a project folder: the lists of SearchFiles for "pas",
// "sql", "dpr" and "dpk", in that order, made in one walk, skipping the
// names that the exclusion pattern catches. A folder that cannot be listed
// reaches OnSkipped once.
QStringList FindSourceFiles(const QString &folderText, const SkippedFolderSink &onSkipped = {},
                            const QString &exclude = {});

} // namespace lorvane
