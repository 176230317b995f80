#pragma once

#include "formats/reportdocument.h"

#include <QByteArray>

namespace lorvane {

// The report as CommonMark, in UTF-8 with LF line breaks: the window as a
// level-1 heading, each file block as a level-2 heading with the file's
// name, its description as one paragraph that keeps its line breaks, its
// entries as a bullet list. An error list is a level-2 heading per file,
// its name or, where files of the run share the name, its path, with its
// problems as a bullet list. Text from headers and file names
// renders literally; a lone surrogate (a byte of a name that is not UTF-8)
// becomes U+FFFD.
QByteArray MarkdownReport(const ReportDocument &document);

} // namespace lorvane
