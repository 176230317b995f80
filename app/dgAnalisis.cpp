#include "app/dgAnalisis.h"

#include "app/appearance.h"
#include "app/busycursor.h"
#include "core/changereport.h"
#include "app/controls.h"
#include "app/designedlayout.h"
#include "app/errordisplay.h"
#include "settings/store/propstorage.h"
#include "app/userdialogs.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace lorvane {

namespace {

// Inside the frame the window keeps a free border.
constexpr int kBorder = 8;

// Names the control and gives it its designed place in pixels at 96 dots
// per inch.
template <typename Widget>
Widget *Designed(DesignedLayout &layout, Widget *widget, const char *name, QRect design,
                 DesignedLayout::Anchor anchor = DesignedLayout::Anchor::Left, DesignedLayout::Need need = {})
{
    widget->setObjectName(QLatin1StringView(name));
    layout.add(widget, QRect(Scaled(design.x()), Scaled(design.y()), Scaled(design.width()), Scaled(design.height())),
               anchor, std::move(need));
    return widget;
}

// Check boxes and radio buttons show their caption left of the box.
template <typename Button>
Button *CaptionLeft(Button *button)
{
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

// Shows the file being read and steps the bar after each file. No events
// run during a build, so what changed is painted here, now and then:
// painting after every file took longer than reading the files. The bar
// paints itself where it visibly grows.
class FileProgress : public ReportProgress
{
public:
    FileProgress(QLabel &file, QProgressBar &bar) : m_file(file), m_bar(bar) { m_sincePaint.start(); }

    void FileStarted(const QString &name) override { m_file.setText(name); }

    void FileDone() override
    {
        m_bar.setValue(m_bar.value() + 1);
        if (m_sincePaint.hasExpired(kPaintMs)) {
            m_file.repaint();
            m_sincePaint.restart();
        }
    }

private:
    static constexpr qint64 kPaintMs = 40;
    QLabel &m_file;
    QProgressBar &m_bar;
    QElapsedTimer m_sincePaint;
};

} // namespace

TAnalisisDG::TAnalisisDG(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      WindowPlacement(*this, form::poScreenCenter),
      m_layout(QSize(Scaled(400 + 2 * kBorder), Scaled(200 + 2 * kBorder))),
      m_optionsLayout(QSize(Scaled(386), Scaled(114)))
{
    RegisterFormInterceptor(staticMetaObject);
    setObjectName(QStringLiteral("AnalisisDG"));
    setWindowTitle(QStringLiteral("Анализ файлов"));
    setFont(FormFont(12));
    CreateComponents();
    FitControls();
    RefitOnStyleOrFontChange(*this, [this] { FitControls(); });
    m_progress = std::make_unique<FileProgress>(*laFile, *pbDo);
    psAnalisis->Loaded();
}

TAnalisisDG::~TAnalisisDG()
{
    psAnalisis->OwnerDestroying();
}

void TAnalisisDG::CreateComponents()
{
    using Anchor = DesignedLayout::Anchor;
    const QDate designDate(2001, 1, 1);
    const int b = kBorder;
    DesignedLayout &options = m_optionsLayout;

    // The options stand below the group's caption, which a style or font
    // may make taller than designed.
    gbOption = Designed(m_layout, new TGroupBox(QStringLiteral(" Настройки "), this), "gbOption",
                        {b + 7, b + 7, 386, 114}, Anchor::Stretch, [this](QWidget &box) {
                            return m_optionsLayout.apply(box.contentsRect().top()).expandedTo(box.minimumSizeHint());
                        });
    Designed(options, new QLabel(QStringLiteral("Дата начала"), gbOption), "Label1", {9, 24, 69, 14});
    edDate = Designed(options, new TDateTimePicker(gbOption), "edDate", {90, 16, 87, 22});
    edDate->setDate(designDate);
    Designed(options, new QLabel(QStringLiteral("Дата окончания"), gbOption), "Label2", {189, 23, 91, 14});
    edDateEnd = Designed(options, new TDateTimePicker(gbOption), "edDateEnd", {284, 15, 87, 22});
    edDateEnd->setDate(designDate);
    cbHTML = Designed(options, CaptionLeft(new TCheckBox(QStringLiteral("HTML"), gbOption)), "cbHTML",
                      {9, 52, 97, 13});
    // A hint that the dialog never shows: it has no status line.
    cbHTML->setStatusTip(QStringLiteral("Включать тэги разметки."));
    cbNote = Designed(options, CaptionLeft(new TCheckBox(QStringLiteral("Описание"), gbOption)), "cbNote",
                      {9, 69, 97, 13});
    cbLine = Designed(options, CaptionLeft(new TCheckBox(QStringLiteral("Ограничение"), gbOption)), "cbLine",
                      {9, 87, 97, 17});
    cbLine->setChecked(true);
    edLine = Designed(options, new TEdit(QStringLiteral("120"), gbOption), "edLine", {150, 84, 34, 22});
    edLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Any limit a user may mean shows whole.
    edLine->setWidthInDigits(10);
    Designed(options, new QLabel(QStringLiteral("строк"), gbOption), "Label3", {112, 87, 32, 14});
    rbAll = Designed(options, CaptionLeft(new TRadioButton(QStringLiteral("Все файлы"), gbOption)), "rbAll",
                     {189, 52, 126, 13});
    rbAll->setChecked(true);
    rbOnlyChange = Designed(options, CaptionLeft(new TRadioButton(QStringLiteral("Только изменения"), gbOption)),
                            "rbOnlyChange", {189, 69, 126, 13});

    // A file name is as long as it is: the frame only grows to a line's
    // height.
    laFile = Designed(m_layout, new QLabel(QStringLiteral("..."), this), "laFile", {b + 7, b + 125, 386, 15},
                      Anchor::Stretch, [](QWidget &label) { return QSize(0, label.sizeHint().height()); });
    laFile->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The bar shows no text: the height of its hint is that of a text.
    pbDo = Designed(m_layout, new QProgressBar(this), "pbDo", {b + 7, b + 144, 386, 15}, Anchor::Stretch,
                    [](QWidget &bar) { return QSize(bar.sizeHint().width(), 0); });
    pbDo->setTextVisible(false);
    pbDo->setRange(0, 100);
    pbDo->setValue(0);
    btRun = Designed(m_layout, new QPushButton(QStringLiteral("Выполнить"), this), "btRun",
                     {b + 306, b + 163, 87, 33}, Anchor::Right);
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

void TAnalisisDG::FitControls()
{
    setFixedSize(m_layout.apply());
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
