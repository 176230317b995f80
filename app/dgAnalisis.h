#pragma once

#include "core/changereport.h"
#include "app/windowplacement.h"

#include <QDialog>
#include <QStringList>

#include <exception>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace lorvane {

class TCheckBox;
class TDateTimePicker;
class TEdit;
class TGroupBox;
class TPropStorageEh;
class TRadioButton;

// The modal dialog in which the user sets the date window and the output
// options of the change report and runs the report builder.
class TAnalisisDG : public QDialog, public WindowPlacement
{
    Q_OBJECT
    Q_INTERFACES(lorvane::StoredForm)
    Q_CLASSINFO("StreamClass", "TAnalisisDG")

public:
    // The modal results.
    static constexpr int mrRun = 1;
    static constexpr int mrClosed = 2;

    explicit TAnalisisDG(QWidget *parent = nullptr);
    ~TAnalisisDG() override;

    // Resets the dialog for the files and shows it modally; mrRun after a
    // build, mrClosed when the user closed the window. A failure of the
    // build closes the dialog and is thrown on from here.
    int Run(const QStringList &Files);

    // Builds the report of FFile from the dialog's current values into
    // ResultText; also called directly while the dialog is hidden.
    void btRunClick();

    // What a build uses: the files of the last Run, the output options and
    // the progress display.
    const QStringList &Files() const { return FFile; }
    ReportOptions Options() const;
    ReportProgress &Progress() { return *m_progress; }

    // The report of the last build, and how its files' first dates read.
    QStringList ResultText;
    FirstDateCount FirstDates;

    TGroupBox *gbOption;
    TDateTimePicker *edDate;
    TDateTimePicker *edDateEnd;
    TCheckBox *cbHTML;
    TCheckBox *cbNote;
    TCheckBox *cbLine;
    TEdit *edLine;
    TRadioButton *rbAll;
    TRadioButton *rbOnlyChange;
    QLabel *laFile;
    QProgressBar *pbDo;
    QPushButton *btRun;
    TPropStorageEh *psAnalisis;

public slots:
    void reject() override;
    // Qt closes a dialog that is done without a close event that the
    // settings component sees: the settings are saved here, however the
    // dialog closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateComponents();
    void btRunPressed();

    QStringList FFile;
    std::unique_ptr<ReportProgress> m_progress;
    std::exception_ptr m_failure;
};

} // namespace lorvane
