#include "app/appearance.h"
#include "core/codepage.h"
#include "core/dateformat.h"
#include "app/dgAnalisis.h"
#include "core/error.h"
#include "app/errordisplay.h"
#include "app/fmMain.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane"));
    lorvane::ApplyStyle(application);
    // The program speaks Russian; Qt's own dialogs and buttons should too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);

    // Every file read and write needs the code page, and every date the
    // date format: a wrong setting ends the program before it can lose
    // anything or read a date otherwise than asked.
    try {
        lorvane::CodePage::System();
        lorvane::DateFormatInForce();
    } catch (const lorvane::Error &error) {
        lorvane::ShowError(error.message());
        return 1;
    }

    lorvane::TMainFM mainForm;
    lorvane::TAnalisisDG analysisDialog;
    mainForm.SetAnalysisDialog(&analysisDialog);
    mainForm.show();
    return application.exec();
}
