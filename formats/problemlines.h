#pragma once

#include "formats/reportdocument.h"

#include <QByteArray>

namespace lorvane {

// The problems of an error list one to a line, in UTF-8 with LF line breaks,
// for the tools that jump to a file's line: each names the problem's path as
// the document gives it (document.files[problem.file]), its 1-based line and
// its message. A path that is not UTF-8 shows U+FFFD for each byte that is
// not. A report without problems gives nothing.

// "path:line: message", as compilers print problems for editors and log
// parsers; a line break in the path or the message becomes a blank.
QByteArray GnuProblemLines(const ReportDocument &document);

// GitHub Actions workflow commands, "::error file=path,line=N::message", so
// that the problems show as annotations on the lines. In both values "%",
// CR and LF are written "%25", "%0D" and "%0A"; in the path also ":" and ","
// as "%3A" and "%2C".
QByteArray GithubProblemLines(const ReportDocument &document);

} // namespace lorvane
