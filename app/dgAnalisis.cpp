#include "app/dgAnalisis.h"

#include "app/appearance.h"
#include "app/busycursor.h"
#include "core/changereport.h"
#include "app/controls.h"
#include "app/errordisplay.h"
#include "settings/store/propstorage.h"
#include "app/userdialogs.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace lorvane {

namespace {

// Inside the frame the window keeps a free border.
constexpr int kBorder = 8;

template <typename Widget, typename... Args>
Widget *Create(QWidget *parent, const char *name, int left, int top, int width, int height,
               Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1StringView(name));
    widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
    return widget;
}

// A caption in a font wider than the one the dialog was laid out for may
// take the free space to its right.
QLabel *CreateLabel(QWidget *parent, const char *name, int left, int top, int width, int height,
                    const QString &caption)
{
    auto *label = Create<QLabel>(parent, name, left, top, width, height, caption);
    label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
    return label;
}

TCheckBox *CreateCheckBox(QWidget *parent, const char *name, int left, int top, int width,
                          int height, const QString &caption)
{
    auto *box = Create<TCheckBox>(parent, name, left, top, width, height, caption);
    // The caption stands left of the box.
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

TRadioButton *CreateRadioButton(QWidget *parent, const char *name, int left, int top, int width,
                                int height, const QString &caption)
{
    auto *button = Create<TRadioButton>(parent, name, left, top, width, height, caption);
    button->setLayoutDirection(Qt::RightToLeft);
    return button;
}

// The busy state of a build: busy cursor, options and Run button disabled;
// left again also when the build throws.
class BusyState
{
public:
    explicit BusyState(TAnalisisDG &dialog) : m_dialog(dialog)
    {
        m_dialog.gbOption->setEnabled(false);
        m_dialog.btRun->setEnabled(false);
    }
    ~BusyState()
    {
        m_dialog.btRun->setEnabled(true);
        m_dialog.gbOption->setEnabled(true);
    }
    BusyState(const BusyState &) = delete;
    BusyState &operator=(const BusyState &) = delete;

private:
    BusyCursor m_cursor;
    TAnalisisDG &m_dialog;
};

// Shows the file being read and steps the bar after each file. No events run
// during a build, so the two are repainted at once.
class FileProgress : public ReportProgress
{
public:
    FileProgress(QLabel &file, QProgressBar &bar) : m_file(file), m_bar(bar) {}

    void FileStarted(const QString &name) override
    {
        m_file.setText(name);
        m_file.repaint();
    }

    void FileDone() override
    {
        m_bar.setValue(m_bar.value() + 1);
        m_bar.repaint();
    }

private:
    QLabel &m_file;
    QProgressBar &m_bar;
};

} // namespace

TAnalisisDG::TAnalisisDG(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      WindowPlacement(*this, form::poScreenCenter)
{
    RegisterFormInterceptor(staticMetaObject);
    setObjectName(QStringLiteral("AnalisisDG"));
    setWindowTitle(QStringLiteral("Анализ файлов"));
    setFont(FormFont(12));
    setFixedSize(Scaled(400 + 2 * kBorder), Scaled(200 + 2 * kBorder));
    CreateComponents();
    m_progress = std::make_unique<FileProgress>(*laFile, *pbDo);
    psAnalisis->Loaded();
}

TAnalisisDG::~TAnalisisDG()
{
    psAnalisis->OwnerDestroying();
}

void TAnalisisDG::CreateComponents()
{
    const QDate designDate(2001, 1, 1);
    const int b = kBorder;

    gbOption = Create<TGroupBox>(this, "gbOption", b + 7, b + 7, 386, 114,
                                 QStringLiteral(" Настройки "));
    CreateLabel(gbOption, "Label1", 9, 24, 69, 14, QStringLiteral("Дата начала"));
    edDate = Create<TDateTimePicker>(gbOption, "edDate", 90, 16, 87, 22);
    edDate->setDate(designDate);
    CreateLabel(gbOption, "Label2", 189, 23, 91, 14, QStringLiteral("Дата окончания"));
    edDateEnd = Create<TDateTimePicker>(gbOption, "edDateEnd", 284, 15, 87, 22);
    edDateEnd->setDate(designDate);
    cbHTML = CreateCheckBox(gbOption, "cbHTML", 9, 52, 97, 13, QStringLiteral("HTML"));
    // A hint that the dialog never shows: it has no status line.
    cbHTML->setStatusTip(QStringLiteral("Включать тэги разметки."));
    cbNote = CreateCheckBox(gbOption, "cbNote", 9, 69, 97, 13, QStringLiteral("Описание"));
    cbLine = CreateCheckBox(gbOption, "cbLine", 9, 87, 97, 17, QStringLiteral("Ограничение"));
    cbLine->setChecked(true);
    edLine = Create<TEdit>(gbOption, "edLine", 150, 84, 34, 22, QStringLiteral("120"));
    edLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CreateLabel(gbOption, "Label3", 112, 87, 32, 14, QStringLiteral("строк"));
    rbAll = CreateRadioButton(gbOption, "rbAll", 189, 52, 126, 13, QStringLiteral("Все файлы"));
    rbAll->setChecked(true);
    rbOnlyChange = CreateRadioButton(gbOption, "rbOnlyChange", 189, 69, 126, 13,
                                     QStringLiteral("Только изменения"));

    laFile = Create<QLabel>(this, "laFile", b + 7, b + 125, 386, 15, QStringLiteral("..."));
    laFile->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pbDo = Create<QProgressBar>(this, "pbDo", b + 7, b + 144, 386, 15);
    pbDo->setTextVisible(false);
    pbDo->setRange(0, 100);
    pbDo->setValue(0);
    btRun = Create<QPushButton>(this, "btRun", b + 306, b + 163, 87, 33, QStringLiteral("Выполнить"));
    btRun->setDefault(true);
    connect(btRun, &QPushButton::clicked, this, &TAnalisisDG::btRunPressed);

    setTabOrder(edDate, edDateEnd);
    setTabOrder(edDateEnd, cbHTML);
    setTabOrder(cbHTML, cbNote);
    setTabOrder(cbNote, cbLine);
    setTabOrder(cbLine, edLine);
    setTabOrder(edLine, rbAll);
    setTabOrder(rbAll, rbOnlyChange);
    setTabOrder(rbOnlyChange, btRun);

    psAnalisis = new TPropStorageEh(this);
    psAnalisis->setObjectName(QStringLiteral("psAnalisis"));
    psAnalisis->setSection(QStringLiteral("Analisis"));
    psAnalisis->OnError = ShowError;
    TPropertyNamesEh &props = psAnalisis->StoredProps();
    props.setRootLoading(true);
    for (const char *path : {"gbOption.cbHTML.<P>.Checked", "gbOption.cbLine.<P>.Checked",
                             "gbOption.cbNote.<P>.Checked", "gbOption.edDate.<P>.Date",
                             "gbOption.edDateEnd.<P>.Date", "gbOption.edLine.<P>.Text",
                             "gbOption.rbAll.<P>.Checked", "gbOption.rbOnlyChange.<P>.Checked"})
        props.Add(QString::fromLatin1(path));
    props.setRootLoading(false);
}

int TAnalisisDG::Run(const QStringList &Files)
{
    FFile = Files;
    ResultText = QStringList();
    FirstDates = FirstDateCount();
    pbDo->setRange(0, int(Files.size()));
    pbDo->setValue(0);
    laFile->setText(QStringLiteral("..."));
    gbOption->setEnabled(true);
    btRun->setEnabled(true);
    const int result = Dialogs().ExecModal(*this);
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return result;
}

void TAnalisisDG::btRunClick()
{
    if (!(edDate->date() < edDateEnd->date()))
        edDate->setDate(edDateEnd->date());
    const BusyState busy(*this);
    BuildChangeReport(FFile, edDate->date(), edDateEnd->date(), Options(), *m_progress, ResultText, nullptr,
                      &FirstDates);
}

ReportOptions TAnalisisDG::Options() const
{
    ReportOptions options;
    options.Html = cbHTML->isChecked();
    options.WithDescription = cbNote->isChecked();
    options.OnlyChanges = rbOnlyChange->isChecked();
    return options;
}

void TAnalisisDG::btRunPressed()
{
    setResult(mrRun);
    try {
        btRunClick();
    } catch (...) {
        // Run throws it on once the dialog has closed.
        m_failure = std::current_exception();
    }
    done(mrRun);
}

void TAnalisisDG::reject()
{
    // Esc does nothing: the dialog has no cancel button.
}

void TAnalisisDG::done(int result)
{
    QDialog::done(result);
    // A Run that built its report is saved by the main window once the line
    // limit has set the start date; every other close is saved here.
    if ((result != mrRun || m_failure) && psAnalisis->Active() && psAnalisis->PropsLoaded())
        RunCommand([this] { psAnalisis->SaveProperties(); });
}

void TAnalisisDG::showEvent(QShowEvent *event)
{
    const form::TPosition start = position();
    const QScreen *screen = this->screen();
    if (screen && (start == form::poScreenCenter || start == form::poDesktopCenter)) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    edDate->setFocus();
}

void TAnalisisDG::closeEvent(QCloseEvent *event)
{
    done(mrClosed);
    event->accept();
}

} // namespace lorvane
