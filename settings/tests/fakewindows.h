#pragma once

#include "settings/tests/fakewidgets.h"
#include "settings/mapping/formplacement.h"
#include "settings/mapping/storedform.h"

#include <QPointer>
#include <QRect>

// A window as the form-placement interceptor sees it: a frame rectangle, a
// restored rectangle kept while maximized or minimized, pixel densities and
// a start position.
class FakeForm : public QObject, public lorvane::StoredForm
{
    Q_OBJECT
    Q_INTERFACES(lorvane::StoredForm)
    Q_PROPERTY(lorvane::form::TWindowState WindowState READ windowState WRITE setWindowState)

public:
    explicit FakeForm(const QString &name) { setObjectName(name); }

    QRect normalRect() const override { return state == lorvane::form::wsNormal ? geometry : restored; }
    void setBounds(const QRect &rect) override
    {
        geometry = rect;
        ++moves;
    }
    void setRestoredRect(const QRect &rect) override { restored = rect; }
    lorvane::form::TWindowState windowState() const override { return state; }
    void setWindowState(lorvane::form::TWindowState newState) override
    {
        if (state == lorvane::form::wsNormal && newState != lorvane::form::wsNormal)
            restored = geometry;
        state = newState;
    }
    int pixelsPerInch() const override { return ppi; }
    int screenPixelsPerInch() const override { return screenPpi; }
    QObject *activeControl() const override { return active; }
    void setActiveControl(QObject *control) override { active = control; }
    lorvane::form::TPosition position() const override { return startPosition; }
    void setPosition(lorvane::form::TPosition value) override { startPosition = value; }

    QRect geometry{100, 50, 640, 480};
    QRect restored;
    lorvane::form::TWindowState state = lorvane::form::wsNormal;
    int ppi = 96;
    int screenPpi = 96;
    QPointer<QObject> active;
    lorvane::form::TPosition startPosition = lorvane::form::poDesigned;
    int moves = 0;
};

class FakeMainWindow : public FakeForm
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TMainFM")

public:
    FakeMainWindow() : FakeForm(QStringLiteral("MainFM"))
    {
        auto *central = new QObject(this);
        cbSource = new FakeComboBox(central, QStringLiteral("cbSource"));
        meResult = new FakeMemo(central, QStringLiteral("meResult"));
        spResult = new FakeSplitter(central, QStringLiteral("spResult"));
    }

    static QStringList StoredPaths()
    {
        return {"<P>.Height", "<P>.Left", "<P>.Top", "<P>.Width", "<P>.WindowState",
                "cbSource.<P>.Items.Strings", "cbSource.<P>.Text", "meResult.<P>.Height", "spResult.<P>.Top"};
    }

    FakeComboBox *cbSource;
    FakeMemo *meResult;
    FakeSplitter *spResult;
};

class FakeRadioButton : public FakeCheckBox
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TRadioButton")

public:
    using FakeCheckBox::FakeCheckBox;
};

class FakeDialog : public FakeForm
{
    Q_OBJECT
    Q_CLASSINFO("StreamClass", "TAnalisisDG")

public:
    FakeDialog() : FakeForm(QStringLiteral("AnalisisDG"))
    {
        gbOption = new FakeGroupBox(this, QStringLiteral("gbOption"));
        cbHTML = new FakeCheckBox(gbOption, QStringLiteral("cbHTML"));
        cbLine = new FakeCheckBox(gbOption, QStringLiteral("cbLine"));
        cbNote = new FakeCheckBox(gbOption, QStringLiteral("cbNote"));
        edDate = new FakeDateEdit(gbOption, QStringLiteral("edDate"));
        edDateEnd = new FakeDateEdit(gbOption, QStringLiteral("edDateEnd"));
        edLine = new FakeEdit(gbOption, QStringLiteral("edLine"));
        rbAll = new FakeRadioButton(gbOption, QStringLiteral("rbAll"));
        rbOnlyChange = new FakeRadioButton(gbOption, QStringLiteral("rbOnlyChange"));
    }

    static QStringList StoredPaths()
    {
        return {"gbOption.cbHTML.<P>.Checked", "gbOption.cbLine.<P>.Checked", "gbOption.cbNote.<P>.Checked",
                "gbOption.edDate.<P>.Date",    "gbOption.edDateEnd.<P>.Date", "gbOption.edLine.<P>.Text",
                "gbOption.rbAll.<P>.Checked",  "gbOption.rbOnlyChange.<P>.Checked"};
    }

    FakeGroupBox *gbOption;
    FakeCheckBox *cbHTML;
    FakeCheckBox *cbLine;
    FakeCheckBox *cbNote;
    FakeDateEdit *edDate;
    FakeDateEdit *edDateEnd;
    FakeEdit *edLine;
    FakeRadioButton *rbAll;
    FakeRadioButton *rbOnlyChange;
};

// Registers the form-placement interceptor for the fake windows while alive.
class FormInterceptorScope
{
public:
    FormInterceptorScope()
    {
        lorvane::RegisterStorageInterceptor(&FakeForm::staticMetaObject,
                                            &lorvane::TFormStoragePropertyInterceptor::staticMetaObject);
    }
    ~FormInterceptorScope() { lorvane::UnregisterStorageInterceptor(&FakeForm::staticMetaObject); }
    FormInterceptorScope(const FormInterceptorScope &) = delete;
    FormInterceptorScope &operator=(const FormInterceptorScope &) = delete;
};
