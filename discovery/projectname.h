#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// The name of the folder that a folder text denotes: "Proj" for
// "/work/Proj/", "work" for "/work/Proj" (no final "/"), and the empty text
// for "/", for "Proj" and for the empty text.
QString ExtractProjectName(QStringView path);

// The folder that a folder text typed by the user means: blanks around it
// do not count, and a leading "~" stands for the home folder ("~" alone or
// followed by "/").
QString TypedFolder(const QString &folderText);

// Whether the folder text names an existing folder (links followed).
bool FolderExists(const QString &folderText);

// The project of a folder text as the main window takes it: a text that
// names an existing folder is that folder's project, with or without its
// final "/"; any other text is read by ExtractProjectName.
QString FolderProjectName(const QString &folderText);

} // namespace lorvane
