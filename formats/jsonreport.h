#pragma once

#include "formats/reportdocument.h"

#include <QByteArray>
#include <QJsonObject>

namespace lorvane {

// The report as one JSON object in UTF-8 with LF line breaks:
//   "kind": "report" or "errors", "from" and "to": the window as ISO dates;
//   a report: "files", each with "path" (as given), "name", "description"
//   (its lines, when the report shows them) and "entries", each with "date"
//   (ISO, null for the text in place of a missing change list) and "text";
//   an error list: "errors", each with "path", "name", the 1-based "line"
//   and the "message" as the error list shows it.
// A path that is not UTF-8 has U+FFFD for each byte that is not, in "path"
// and "name", and its exact bytes in base64 as "pathBytes"; a lone surrogate
// in a text from a header becomes U+FFFD. `extra` holds keys that a command
// adds about its run.
QByteArray JsonReport(const ReportDocument &document, const QJsonObject &extra = {});

} // namespace lorvane
