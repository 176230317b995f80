#pragma once

#include "app/windowplacement.h"

#include <QMainWindow>
#include <QString>

#include <optional>

class QAction;
class QLabel;
class QToolBar;

namespace lorvane {

class TAnalisisDG;
class TComboBox;
class TListBox;
class TMemo;
class TOpenDialog;
class TPropStorageEh;
class TRegPropStorageManEh;
class TSaveDialog;
class TSplitter;
class TImageList;

// The main window: picks the source folder, lists its source files, runs
// the analysis, shows the report and saves it.
class TMainFM : public QMainWindow, public WindowPlacement
{
    Q_OBJECT
    Q_INTERFACES(lorvane::StoredForm)
    Q_CLASSINFO("StreamClass", "TMainFM")
    Q_PROPERTY(lorvane::form::TWindowState WindowState READ StoredWindowState WRITE setStoredWindowState)

public:
    explicit TMainFM(QWidget *parent = nullptr);
    ~TMainFM() override;

    // The dialog that the Analysis command shows; created after this window.
    // Its settings go through this window's storage manager.
    void SetAnalysisDialog(TAnalisisDG *dialog);

    form::TWindowState StoredWindowState() const { return WindowPlacement::windowState(); }
    void setStoredWindowState(form::TWindowState state) { WindowPlacement::setWindowState(state); }

    QToolBar *tbMain;
    TComboBox *cbSource;
    TListBox *lbFile;
    TSplitter *spResult;
    TMemo *meResult;
    QLabel *laStatus;
    QObject *alMain;
    QAction *acFiles;
    QAction *acAnalisis;
    QAction *acSave;
    TImageList *imTool;
    TOpenDialog *dgOpen;
    TSaveDialog *dgSave;
    TPropStorageEh *psFile;
    TRegPropStorageManEh *reMain;

public slots:
    void acFilesExecute();
    void acAnalisisExecute();
    void acSaveExecute();
    void acAnalisisUpdate();
    void acSaveUpdate();

private:
    void CreateComponents();
    void CreateActions();
    void FormCreate();
    void cbSourceChange();
    void cbSourceEnter();
    // Tells in the status line why a command cannot run; follows
    // acAnalisisUpdate, whose folder test it reads from the action.
    void UpdateStatus();
    void psFileAfterLoadProps();
    void FillFileList();
    // Cuts the report to the dialog's line limit.
    void ApplyLineLimit();
    TAnalisisDG &AnalysisDialog() const;

    QString FPoject;
    TAnalisisDG *m_analysisDialog = nullptr;
    // Counts the searches and the user's changes of the folder text: a
    // search whose folder text changed meanwhile drops its result.
    int m_searchGeneration = 0;
    // The folder text whose last search found no source files.
    std::optional<QString> m_foundNothingIn;
    // The last analysis read no file's first date.
    bool m_noFirstDateRead = false;
};

} // namespace lorvane
