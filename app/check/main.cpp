#include "app/check/arguments.h"
#include "app/check/checkrun.h"
#include "app/commandline/commandline.h"
#include "core/codepage.h"
#include "core/dateformat.h"
#include "core/headercheck.h"
#include "core/lines.h"
#include "core/textfile.h"
#include "core/unicodetext.h"
#include "formats/jsonreport.h"
#include "formats/problemlines.h"
#include "version/versionstamp.h"

#include <unistd.h>

using namespace lorvane;

namespace {

QString scopeName(CheckArguments::Scope scope)
{
    switch (scope) {
    case CheckArguments::Scope::Since:
        return QStringLiteral("since");
    case CheckArguments::Scope::Staged:
        return QStringLiteral("staged");
    case CheckArguments::Scope::All:
        break;
    }
    return QStringLiteral("all");
}

// The error list as lorvane-report --errors-only writes it; a terminal gets
// it in UTF-8, as it shows it.
QByteArray errorListText(const QList<HeaderProblem> &problems)
{
    if (problems.isEmpty())
        return {};
    const QStringList lines = ErrorListLines(problems);
    if (::isatty(STDOUT_FILENO))
        return WithReplacementCharacters(lines.join(u'\n') + u'\n').toUtf8();
    return EncodeText(NormalizeLineBreaks(JoinLines(lines)));
}

QByteArray rendered(const CheckArguments &args, const CheckFindings &findings, QDate today)
{
    const ReportDocument document{ReportKind::ErrorList, FirstHeaderDay(), today, findings.files,
                                  {{}, findings.problems}};
    switch (args.format) {
    case CheckFormat::Json:
        return JsonReport(document, {{"mode", scopeName(args.scope)},
                                     {"ref", args.scope == CheckArguments::Scope::Since ? QJsonValue(args.ref)
                                                                                        : QJsonValue()}});
    case CheckFormat::Gnu:
        return GnuProblemLines(document);
    case CheckFormat::Github:
        return GithubProblemLines(document);
    case CheckFormat::Text:
        break;
    }
    return errorListText(findings.problems);
}

int run(const QStringList &arguments)
{
    CodePage::System();
    const CheckArguments args = ParseCheckArguments(arguments);
    DateFormatInForce();
    if (args.mode == CheckArguments::Mode::Help) {
        WriteStdout(CheckUsage().toLocal8Bit());
        return 0;
    }
    if (args.mode == CheckArguments::Mode::Version) {
        WriteStdout((VersionLine(QStringLiteral("Версия ")) + u'\n').toLocal8Bit());
        return 0;
    }
    const QDate today = QDate::currentDate();
    const CheckFindings findings = RunCheck(args, today);
    WriteStdout(rendered(args, findings, today));
    PrintDateFormatHint(findings.firstDates);
    return findings.problems.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    return RunCommandLine(argc, argv, run);
}
