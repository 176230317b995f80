#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// The name of the folder that a folder text denotes: "Proj" for
// "/work/Proj/", "work" for "/work/Proj" (no final "/"), and the empty text
// for "/", for "Proj" and for the empty text.
QString ExtractProjectName(QStringView path);

} // namespace lorvane
