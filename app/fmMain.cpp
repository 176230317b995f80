#include "app/fmMain.h"

#include "app/appearance.h"
#include "app/busycursor.h"
#include "app/components.h"
#include "app/controls.h"
#include "app/dgAnalisis.h"
#include "app/errordisplay.h"
#include "core/dateformat.h"
#include "core/linelimit.h"
#include "core/lines.h"
#include "discovery/projectname.h"
#include "settings/store/propstorage.h"
#include "settings/store/regpropstorageman.h"
#include "app/resultpane.h"
#include "core/savefile.h"
#include "discovery/search.h"
#include "app/splitter.h"
#include "core/textfile.h"
#include "version/versionstamp.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace lorvane {

namespace {

// Inside the frame the window keeps a free border.
constexpr int kBorder = 6;

void AddWithMargin(QVBoxLayout *column, QWidget *widget, int margin, int stretch = 0)
{
    auto *cell = new QVBoxLayout;
    cell->setContentsMargins(margin, margin, margin, margin);
    cell->addWidget(widget);
    column->addLayout(cell, stretch);
}

// The dialog's progress during the line limit, which lets no events run:
// the window is painted again now and then, so that whatever uncovers it
// meanwhile (the closed dialog's frame among them) does not stay on screen.
class WindowKeptPainted : public ReportProgress
{
public:
    WindowKeptPainted(ReportProgress &progress, QWidget &window) : m_progress(progress), m_window(window)
    {
        m_sincePaint.start();
    }

    void FileStarted(const QString &name) override { m_progress.FileStarted(name); }
    void FileDone() override
    {
        m_progress.FileDone();
        if (m_sincePaint.hasExpired(kRepaintMs)) {
            m_window.repaint();
            m_sincePaint.restart();
        }
    }

private:
    static constexpr qint64 kRepaintMs = 100;
    ReportProgress &m_progress;
    QWidget &m_window;
    QElapsedTimer m_sincePaint;
};

// The line limit works on the analysis dialog and the result pane.
class PaneLineLimit : public LineLimitTarget
{
public:
    PaneLineLimit(TAnalisisDG &dialog, TMemo &pane, QWidget &window)
        : m_dialog(dialog), m_pane(pane), m_progress(dialog.Progress(), window)
    {
    }

    bool LimitOn() const override { return m_dialog.cbLine->isChecked(); }
    QString LimitText() const override { return m_dialog.edLine->text(); }
    QDate StartDate() const override { return m_dialog.edDate->date(); }
    QDate EndDate() const override { return m_dialog.edDateEnd->date(); }
    void SetStartDate(QDate date) override { m_dialog.edDate->setDate(date); }
    QStringList Files() const override { return m_dialog.Files(); }
    ReportOptions Options() const override { return m_dialog.Options(); }
    ReportProgress &Progress() override { return m_progress; }
    void SetResultText(const QStringList &report) override { m_dialog.ResultText = report; }
    // Only compared with the limit: counted no further than that needs.
    int PaneLineCount() const override { return m_pane.LineCountUpTo(LineLimitOf(LimitText())); }
    int ShownLines(QStringView paragraph) const override { return m_pane.ShownLines(paragraph); }
    void SetPaneText(const QString &text) override { m_pane.SetText(text); }

private:
    TAnalisisDG &m_dialog;
    TMemo &m_pane;
    WindowKeptPainted m_progress;
};

QWidget *ToolSeparator(int width)
{
    auto *gap = new QWidget;
    gap->setFixedWidth(width);
    return gap;
}

} // namespace

TMainFM::TMainFM(QWidget *parent)
    : QMainWindow(parent), WindowPlacement(*this, form::poDesigned)
{
    RegisterFormInterceptor(staticMetaObject);
    setObjectName(QStringLiteral("MainFM"));
    setWindowTitle(QStringLiteral("Lorvane"));
    setFont(FormFont(12));
    CreateComponents();
    CreateActions();
    move(Scaled(201), Scaled(185));
    resize(Scaled(743 + 2 * kBorder), Scaled(656 + 2 * kBorder));
    RunCommand([this] { FormCreate(); });
    psFile->Loaded();
}

TMainFM::~TMainFM()
{
    psFile->OwnerDestroying();
}

void TMainFM::SetAnalysisDialog(TAnalisisDG *dialog)
{
    m_analysisDialog = dialog;
    dialog->psAnalisis->setStorageManager(reMain);
}

void TMainFM::CreateComponents()
{
    auto *client = new QWidget;
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(Scaled(kBorder), Scaled(kBorder), Scaled(kBorder), Scaled(kBorder));
    column->setSpacing(0);
    setCentralWidget(client);

    tbMain = new QToolBar;
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(false);
    tbMain->setFloatable(false);
    tbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbMain->setIconSize(QSize(Scaled(16), Scaled(16)));
    tbMain->setFixedHeight(Scaled(37));
    tbMain->setContentsMargins(Scaled(2), 0, 0, 0);
    tbMain->layout()->setContentsMargins(0, 0, 0, 0);
    tbMain->layout()->setSpacing(0);
    column->addWidget(tbMain);

    cbSource = new TComboBox;
    cbSource->setObjectName(QStringLiteral("cbSource"));
    cbSource->setMaxVisibleItems(16);
    cbSource->setEditText(QStringLiteral("Папка для сканирования"));
    AddWithMargin(column, cbSource, Scaled(3));
    connect(cbSource->lineEdit(), &QLineEdit::textEdited, this, [this] { cbSourceChange(); });
    connect(cbSource, &QComboBox::activated, this, [this] { cbSourceChange(); });
    // Enter in the folder box lists the files, as picking a file does.
    connect(cbSource->lineEdit(), &QLineEdit::returnPressed, this, [this] { RunCommand([this] { cbSourceEnter(); }); });

    lbFile = new TListBox;
    lbFile->setObjectName(QStringLiteral("lbFile"));
    lbFile->setRowHeight(Scaled(14));
    AddWithMargin(column, lbFile, Scaled(2), 1);

    meResult = new TMemo;
    meResult->setObjectName(QStringLiteral("meResult"));
    meResult->setPaneHeight(Scaled(155));

    spResult = new TSplitter(lbFile, meResult, Scaled(30));
    spResult->setObjectName(QStringLiteral("spResult"));
    spResult->setFixedHeight(Scaled(3));
    column->addWidget(spResult);
    AddWithMargin(column, meResult, Scaled(2));

    imTool = new TImageList(this);
    imTool->setObjectName(QStringLiteral("imTool"));
    dgOpen = new TOpenDialog(this);
    dgOpen->setObjectName(QStringLiteral("dgOpen"));
    dgSave = new TSaveDialog(this);
    dgSave->setObjectName(QStringLiteral("dgSave"));
    dgSave->Title = QStringLiteral("Запись файла");
    dgSave->Filter = QStringLiteral("Результат|*.txt;*.htm");
    dgSave->DefaultExt = QStringLiteral("txt");

    // Why a command cannot run; the commands themselves only grey out.
    laStatus = new QLabel;
    laStatus->setObjectName(QStringLiteral("laStatus"));
    statusBar()->addWidget(laStatus, 1);
    statusBar()->setSizeGripEnabled(false);

    reMain = new TRegPropStorageManEh(this);
    reMain->setObjectName(QStringLiteral("reMain"));
    reMain->setPath(QStringLiteral("Software\\Tessivar\\Lorvane"));
    reMain->setWriteAsText(false);
    psFile = new TPropStorageEh(this);
    psFile->setObjectName(QStringLiteral("psFile"));
    psFile->setSection(QStringLiteral("File"));
    psFile->setStorageManager(reMain);
    psFile->OnError = ShowError;
    TPropertyNamesEh &props = psFile->StoredProps();
    props.setRootLoading(true);
    for (const char *path : {"<P>.Height", "<P>.Left", "<P>.Top", "<P>.Width", "<P>.WindowState",
                             "cbSource.<P>.Items.Strings", "cbSource.<P>.Text",
                             "meResult.<P>.Height", "spResult.<P>.Top"})
        props.Add(QString::fromLatin1(path));
    props.setRootLoading(false);
    connect(psFile, &TPropStorageEh::AfterLoadProps, this, [this] { psFileAfterLoadProps(); });
}

void TMainFM::CreateActions()
{
    alMain = new QObject(this);
    alMain->setObjectName(QStringLiteral("alMain"));
    const auto addAction = [this](const char *name, const QString &caption, int image, const QKeySequence &key,
                                  void (TMainFM::*execute)()) {
        auto *action = new QAction(imTool->Image(image), caption, alMain);
        action->setObjectName(QLatin1StringView(name));
        // The tool bar takes no keyboard focus; the keys reach the commands.
        action->setShortcut(key);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(caption, key.toString(QKeySequence::NativeText)));
        connect(action, &QAction::triggered, this,
                [this, execute] { RunCommand([this, execute] { (this->*execute)(); }); });
        tbMain->addAction(action);
        tbMain->widgetForAction(action)->setFixedSize(Scaled(47), Scaled(37));
        return action;
    };
    acFiles = addAction("acFiles", QStringLiteral("Файлы"), 0, QKeySequence::Open, &TMainFM::acFilesExecute);
    tbMain->addWidget(ToolSeparator(Scaled(8)));
    acAnalisis = addAction("acAnalisis", QStringLiteral("Анализ"), 1, QKeySequence(Qt::Key_F9),
                           &TMainFM::acAnalisisExecute);
    tbMain->addWidget(ToolSeparator(Scaled(8)));
    acSave = addAction("acSave", QStringLiteral("Запись"), 2, QKeySequence::Save, &TMainFM::acSaveExecute);

    // The enable rules follow the folder text and the pane whenever the
    // application has nothing else to do.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] {
                acAnalisisUpdate();
                acSaveUpdate();
                UpdateStatus();
            });
}

void TMainFM::FormCreate()
{
    meResult->SetText(VersionLine(QStringLiteral("Версия ")));
}

void TMainFM::psFileAfterLoadProps()
{
    const QString loadedText = cbSource->currentText();
    bool removed = false;
    for (int index = 0; index < cbSource->count();) {
        if (FolderExists(cbSource->itemText(index))) {
            ++index;
            continue;
        }
        cbSource->removeItem(index);
        removed = true;
        if (cbSource->count() > 0) {
            cbSource->setCurrentIndex(0);
            cbSource->setEditText(cbSource->itemText(0));
        }
        index = 0;
    }
    // With every entry gone the folder text stays as it was loaded.
    if (removed && cbSource->count() == 0)
        cbSource->setEditText(loadedText);
}

void TMainFM::cbSourceChange()
{
    ++m_searchGeneration;
    m_foundNothingIn.reset();
    m_noFirstDateRead = false;
    lbFile->clear();
    meResult->Clear();
}

void TMainFM::cbSourceEnter()
{
    lbFile->clear();
    meResult->Clear();
    FillFileList();
}

void TMainFM::FillFileList()
{
    const BusyCursor busy;
    const int generation = ++m_searchGeneration;
    const QStringList files = FindSourceFiles(cbSource->currentText());
    // The search lets events run: a newer search or a change of the folder
    // text by the user has made this result stale.
    if (generation != m_searchGeneration)
        return;
    lbFile->setItems(files);
    if (files.isEmpty())
        m_foundNothingIn = cbSource->currentText();
    else
        m_foundNothingIn.reset();
}

void TMainFM::acFilesExecute()
{
    dgOpen->InitialDir = cbSource->currentText();
    if (!dgOpen->Execute(this))
        return;
    const QString &path = dgOpen->FileName;
    cbSource->setEditText(path.left(path.lastIndexOf(u'/') + 1));
    cbSourceEnter();
}

void TMainFM::acAnalisisExecute()
{
    if (lbFile->count() == 0)
        FillFileList();
    if (lbFile->count() == 0)
        return;
    meResult->Clear();
    m_noFirstDateRead = false;
    FPoject = FolderProjectName(cbSource->currentText());
    TAnalisisDG &dialog = AnalysisDialog();
    dialog.psAnalisis->setSection(QStringLiteral("Analisis\\") + FPoject);
    dialog.psAnalisis->LoadProperties();
    if (dialog.Run(lbFile->Items()) == TAnalisisDG::mrRun && !dialog.ResultText.isEmpty())
        meResult->SetText(JoinLines(dialog.ResultText));
    m_noFirstDateRead = dialog.FirstDates.noneRead();
    try {
        ApplyLineLimit();
    } catch (...) {
        // The options chosen for the run are kept even when a rebuild fails.
        RunCommand([&dialog] { dialog.psAnalisis->SaveProperties(); });
        throw;
    }
    dialog.psAnalisis->SaveProperties();
}

void TMainFM::ApplyLineLimit()
{
    // The rebuilds take the time of a run of the dialog; show it.
    const BusyCursor busy;
    // No events run from here on: the dialog leaves the screen and the
    // window shows the pane before the rebuilds start.
    AnalysisDialog().hide();
    repaint();
    PaneLineLimit target(AnalysisDialog(), *meResult, *this);
    lorvane::ApplyLineLimit(target);
}

void TMainFM::acSaveExecute()
{
    const QString folderText = cbSource->currentText();
    dgSave->InitialDir = folderText;
    dgSave->FileName = FPoject + QStringLiteral(".change.")
                       + (AnalysisDialog().cbHTML->isChecked() ? QStringLiteral("htm") : QStringLiteral("txt"));
    if (!dgSave->Execute(this))
        return;
    // The overwrite question is confirmed by habit; a source file is never
    // given away to the report.
    RefuseOverwritingSource(dgSave->FileName, lbFile->Items());
    WriteText(dgSave->FileName, meResult->Text());
    if (cbSource->findText(folderText, Qt::MatchFixedString) < 0)
        cbSource->addItem(folderText);
}

void TMainFM::acAnalisisUpdate()
{
    acAnalisis->setEnabled(FolderExists(cbSource->currentText()));
}

void TMainFM::acSaveUpdate()
{
    // The pane shows at least one line exactly when it holds any text; the
    // text test spares a layout of the whole report at every idle moment.
    acSave->setEnabled(!meResult->Text().isEmpty());
}

void TMainFM::UpdateStatus()
{
    const QString folderText = cbSource->currentText();
    // Updated just before, from the same folder test.
    const bool folderExists = acAnalisis->isEnabled();
    QString status;
    // The form's own text is no path: it only asks for a folder.
    if (!folderExists && !folderText.startsWith(u'/'))
        status = QStringLiteral("Выберите файл в папке проекта («Файлы», %1) или введите путь к ней и нажмите Enter.")
                     .arg(acFiles->shortcut().toString(QKeySequence::NativeText));
    else if (!folderExists)
        status = QStringLiteral("Папка «%1» не найдена.").arg(folderText);
    else if (m_foundNothingIn == folderText && lbFile->count() == 0)
        status = QStringLiteral("В папке «%1» нет исходных файлов (pas, sql, dpr, dpk).").arg(folderText);
    else if (m_noFirstDateRead && !DateFormatInForce().format.readsLike(DateFormat()))
        status = QStringLiteral("Ни одна первая дата в заголовках не прочитана в формате «%1» из %2; формат "
                                "заголовков задаёт переменная окружения LORVANE_DATE_FORMAT, например dd.MM.yyyy.")
                     .arg(DateFormatInForce().format.pattern, DateFormatInForce().origin);
    if (laStatus->text() != status) {
        laStatus->setText(status);
        // A narrow window cuts the line; the whole of it stays at hand.
        laStatus->setToolTip(status);
    }
}

TAnalisisDG &TMainFM::AnalysisDialog() const
{
    Q_ASSERT(m_analysisDialog);
    return *m_analysisDialog;
}

} // namespace lorvane
