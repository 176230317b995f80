// Walks every control of both windows under each available style and at
// font sizes 9 to 14 pt, at the scale this process was started with
// (QT_SCALE_FACTOR), and prints one line for each control whose content
// does not fit: the test that runs it expects no line and exit status 0.

#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/fmMain.h"
#include "app/userdialogs.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOption>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

using namespace lorvane;

namespace {

// No dialog may wait for a person here; an error box is a finding.
class NoDialogs : public UserDialogs
{
public:
    QString OpenFile(QWidget *, const QString &) override { return {}; }
    QString SaveFile(QWidget *, const SaveFileRequest &) override { return {}; }
    int ExecModal(QDialog &) override { return 0; }
    void ErrorBox(QWidget *, const QString &, const QString &text) override
    {
        std::printf("error box: %s\n", qPrintable(text));
        ++errors;
    }
    int errors = 0;
};

class Walk
{
public:
    Walk(QString where) : m_where(std::move(where)) {}

    void window(QWidget &window)
    {
        const auto children = window.findChildren<QWidget *>();
        for (QWidget *widget : children) {
            if (widget->isVisibleTo(&window) && !internal(*widget, window))
                control(*widget);
        }
        siblings(window);
        for (QGroupBox *box : window.findChildren<QGroupBox *>())
            siblings(*box);
    }

    int findings() const { return m_findings; }

private:
    // The parts of a control (a date picker's edit, a scroll bar) are sized
    // by the control itself.
    static bool internal(const QWidget &widget, const QWidget &window)
    {
        for (const QWidget *at = &widget; at && at != &window; at = at->parentWidget()) {
            if (at->objectName().startsWith(QLatin1StringView("qt_")))
                return true;
            if (at != &widget && (qobject_cast<const QAbstractScrollArea *>(at) || qobject_cast<const QComboBox *>(at)
                                  || qobject_cast<const QAbstractSpinBox *>(at)))
                return true;
        }
        return false;
    }

    // Texts that are data, not captions (a file name, a folder, the status
    // line), are as long as they are: such a control only needs the height
    // of a line and the width of its frame.
    static bool holdsData(const QWidget &widget)
    {
        static const QStringList names{QStringLiteral("laFile"), QStringLiteral("laStatus"),
                                       QStringLiteral("cbSource")};
        return names.contains(widget.objectName());
    }

    void control(QWidget &widget)
    {
        // A list or a pane scrolls what does not fit.
        if (qobject_cast<QAbstractScrollArea *>(&widget))
            return;
        QSize needed = widget.sizeHint();
        if (qobject_cast<QGroupBox *>(&widget) || holdsData(widget))
            needed = QSize(widget.minimumSizeHint().width(), needed.height());
        // A bar that shows no text has nothing to cut: its hint's height is
        // that of its text.
        if (auto *bar = qobject_cast<QProgressBar *>(&widget); bar && !bar->isTextVisible())
            needed.setHeight(0);
        if (needed.isValid() && (widget.width() < needed.width() || widget.height() < needed.height()))
            finding(widget, QStringLiteral("%1x%2, needs %3x%4")
                                .arg(widget.width())
                                .arg(widget.height())
                                .arg(needed.width())
                                .arg(needed.height()));
        if (auto *picker = qobject_cast<TDateTimePicker *>(&widget)) {
            const QLineEdit &edit = *picker->findChild<QLineEdit *>();
            fits(widget, edit, picker->text());
            fits(widget, edit, picker->locale().toString(QDate(2088, 12, 28), picker->displayFormat()));
        }
        if (widget.objectName() == u"edLine")
            fits(widget, *qobject_cast<QLineEdit *>(&widget), QStringLiteral("0123456789"));
    }

    // The text shows whole in the edit: as the edit lays it out, inside its
    // frame, its text margins and 2 pixels a side, with the cursor after it.
    void fits(QWidget &control, const QLineEdit &edit, const QString &text)
    {
        QStyleOptionFrame option;
        option.initFrom(&edit);
        option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
        option.state |= QStyle::State_Sunken;
        const QMargins margins = edit.textMargins();
        const int room = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit).width()
                         - margins.left() - margins.right() - 2 * 2;
        const int width = edit.fontMetrics().horizontalAdvance(text) + 1;
        if (width > room)
            finding(control, QStringLiteral("\"%1\" takes %2 px, the edit shows %3").arg(text).arg(width).arg(room));
    }

    // Controls side by side never cover each other and stay inside the
    // room their parent gives them.
    void siblings(QWidget &parent)
    {
        QList<QWidget *> controls;
        for (QObject *child : parent.children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (widget && !widget->isWindow() && widget->isVisibleTo(&parent) && !widget->objectName().isEmpty()
                && !widget->objectName().startsWith(QLatin1StringView("qt_")))
                controls << widget;
        }
        const QRect room = parent.contentsRect();
        for (qsizetype i = 0; i < controls.size(); ++i) {
            if (!room.contains(controls[i]->geometry()))
                finding(*controls[i], QStringLiteral("%1 lies outside %2 of %3")
                                          .arg(text(controls[i]->geometry()), text(room), parent.objectName()));
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                if (controls[i]->geometry().intersects(controls[j]->geometry()))
                    finding(*controls[i], QStringLiteral("%1 covers %2 %3")
                                              .arg(text(controls[i]->geometry()), controls[j]->objectName(),
                                                   text(controls[j]->geometry())));
            }
        }
    }

    static QString text(const QRect &r)
    {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }

    void finding(const QWidget &widget, const QString &what)
    {
        QString name = widget.objectName();
        if (name.isEmpty())
            name = QStringLiteral("%1 \"%2\"").arg(QLatin1StringView(widget.metaObject()->className()),
                                                   widget.property("text").toString());
        std::printf("%s %s: %s\n", qPrintable(m_where), qPrintable(name), qPrintable(what));
        ++m_findings;
    }

    QString m_where;
    int m_findings = 0;
};

// Lets the windows take in a change as the running program would: what a
// change posts may post more.
void settle()
{
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane"));
    NoDialogs dialogs;
    SetDialogs(&dialogs);

    int findings = 0;
    for (const QString &style : QStyleFactory::keys()) {
        QApplication::setStyle(QStyleFactory::create(style));
        TMainFM window;
        TAnalisisDG dialog;
        window.SetAnalysisDialog(&dialog);
        window.show();
        dialog.show();
        settle();
        const QFont designed = dialog.font();
        for (int points = 8; points <= 14; ++points) {
            // 8 stands for the font the windows were made with.
            if (points > 8) {
                QFont font = designed;
                font.setPointSize(points);
                window.setFont(font);
                dialog.setFont(font);
                settle();
            }
            const QString size = points > 8 ? QStringLiteral("%1 pt").arg(points) : QStringLiteral("form font");
            for (QWidget *shown : {static_cast<QWidget *>(&window), static_cast<QWidget *>(&dialog)}) {
                Walk walk(QStringLiteral("%1, %2, %3:").arg(style, size, shown->objectName()));
                walk.window(*shown);
                findings += walk.findings();
            }
        }
        dialog.hide();
    }
    SetDialogs(nullptr);
    std::printf("%d controls cut, %d error boxes (styles: %s; scale %s)\n", findings, dialogs.errors,
                qPrintable(QStyleFactory::keys().join(QStringLiteral(", "))),
                qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").constData() : "1");
    return findings == 0 && dialogs.errors == 0 ? 0 : 1;
}
