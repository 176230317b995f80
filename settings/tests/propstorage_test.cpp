#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/mapping/propreader.h"
#include "settings/store/propstorage.h"
#include "settings/store/propstoragemanager.h"
#include "settings/mapping/propwriter.h"

#include "testsupport/testing.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEvent>
#include <QStringList>

using namespace lorvane;

namespace {

TEST(PropStorage, StartsActiveWithTheOwnerAsRootAndItsClassAsDefaultSection)
{
    FakeMainWindow window;
    auto *storage = new TPropStorageEh(&window);
    EXPECT_TRUE(storage->Active());
    EXPECT_EQ(storage->StoredProps().Root(), &window);
    EXPECT_EQ(storage->Section(), "TMainFM");
    storage->setSection(QStringLiteral("Analisis\\Lorvane"));
    EXPECT_EQ(storage->Section(), "Analisis\\Lorvane");
}

TEST(PropStorage, LoadAndSaveWithoutManagerRaiseTheirEventsAndKeepTheFlags)
{
    FakeMainWindow window;
    TPropStorageEh storage(&window);
    QStringList events;
    QObject::connect(&storage, &TPropStorageEh::BeforeLoadProps, [&](TPropStorageEh *s) {
        EXPECT_EQ(s, &storage);
        events << "BeforeLoad";
    });
    QObject::connect(&storage, &TPropStorageEh::AfterLoadProps, [&](TPropStorageEh *) {
        events << QStringLiteral("AfterLoad loaded=%1").arg(storage.PropsLoaded());
    });
    QObject::connect(&storage, &TPropStorageEh::BeforeSaveProps, [&](TPropStorageEh *) { events << "BeforeSave"; });
    QObject::connect(&storage, &TPropStorageEh::AfterSaveProps, [&](TPropStorageEh *) { events << "AfterSave"; });

    storage.LoadProperties();
    EXPECT_TRUE(storage.PropsLoaded());
    EXPECT_FALSE(storage.Saved());
    storage.SaveProperties();
    EXPECT_FALSE(storage.PropsLoaded());
    EXPECT_FALSE(storage.Saved());
    EXPECT_EQ(events, QStringList({"BeforeLoad", "AfterLoad loaded=0", "BeforeSave", "AfterSave"}));
}

TEST(PropStorage, WritesAndReadsTheListedPropertiesWithItsOwnHandlers)
{
    FakeDialog source;
    source.edLine->m_text = QStringLiteral("42");
    auto *storage = new TPropStorageEh(&source);
    storage->StoredProps().Add(QStringLiteral("gbOption.edLine.<P>.Text"));
    storage->OnWriteCustomProps = [&](TPropStorageEh *sender, TPropWriterEh &writer) {
        EXPECT_EQ(sender, storage);
        writer.WritePropName(QStringLiteral("Mark"));
        writer.WriteString(QStringLiteral("m"));
    };
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    storage->WritePropValues(&out);

    FakeDialog target;
    TPropStorageEh targetStorage(&target);
    QString mark;
    targetStorage.OnReadProp = [&](TPropStorageEh *, TPropReaderEh &reader, const QString &name, bool &processed) {
        if (name == "Mark") {
            mark = reader.ReadString();
            processed = true;
        }
    };
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    targetStorage.ReadPropValues(&in);
    EXPECT_EQ(mark, "m");
    EXPECT_EQ(target.edLine->m_text, "42");
}


// Logs what reaches the store; fails on demand.
class LoggingManager : public TPropStorageManagerEh
{
public:
    explicit LoggingManager(QStringList &log) : m_log(log) {}
    void ReadProperties(TPropStorageEh &) override
    {
        m_log << "load";
        if (failLoad)
            throw Error(QStringLiteral("Invalid stream format."));
    }
    void WriteProperties(TPropStorageEh &storage) override
    {
        m_log << (storage.Destroying() ? "save while destroying" : "save");
        if (failSave)
            throw Error(QStringLiteral("Failed to set data for 'Line0000000000'"));
    }
    bool failLoad = false;
    bool failSave = false;

private:
    QStringList &m_log;
};

// A window whose own show and close handlers log themselves.
class LoggingWindow : public FakeDialog
{
public:
    explicit LoggingWindow(QStringList &log) : m_log(log) {}
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            m_log << "window show";
        if (event->type() == QEvent::Close) {
            m_log << "window close";
            event->setAccepted(allowClose);
        }
        return FakeDialog::event(event);
    }
    bool allowClose = true;

private:
    QStringList &m_log;
};

class Lifecycle : public ::testing::Test
{
protected:
    Lifecycle()
    {
        // Event filters see events only through an application object.
        static int argc = 1;
        static char name[] = "settings_tests";
        static char *argv[] = {name, nullptr};
        static QCoreApplication application(argc, argv);
        storage->setStorageManager(&manager);
        storage->OnError = [this](const QString &message) { log << "shown: " + message; };
        storage->Loaded();
    }

    bool Send(QEvent::Type type)
    {
        QEvent event(type);
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted();
    }

    QStringList log;
    LoggingManager manager{log};
    LoggingWindow window{log};
    TPropStorageEh *storage = new TPropStorageEh(&window);
};

TEST_F(Lifecycle, ShowingLoadsBeforeTheWindowsHandlerAndClosingSavesAfterIt)
{
    Send(QEvent::Show);
    EXPECT_TRUE(storage->PropsLoaded());
    EXPECT_TRUE(Send(QEvent::Close));
    storage->OwnerDestroying();
    EXPECT_EQ(log, QStringList({"load", "window show", "window close", "save"}));
    EXPECT_TRUE(storage->Saved());
}

TEST_F(Lifecycle, ARefusedCloseSavesNothingAndTheDestructionSavesOnce)
{
    Send(QEvent::Show);
    window.allowClose = false;
    EXPECT_FALSE(Send(QEvent::Close));
    storage->OwnerDestroying();
    storage->OwnerDestroying();
    EXPECT_EQ(log, QStringList({"load", "window show", "window close", "save while destroying"}));
}

TEST_F(Lifecycle, InactiveNeitherLoadsNorSavesByItselfButDirectCallsWork)
{
    storage->setActive(false);
    Send(QEvent::Show);
    storage->LoadProperties();
    Send(QEvent::Close);
    storage->OwnerDestroying();
    storage->SaveProperties();
    EXPECT_EQ(log, QStringList({"window show", "load", "window close", "save"}));
}

TEST_F(Lifecycle, ALoadErrorAtShowingIsDiscardedAndNothingIsSavedAfterIt)
{
    manager.failLoad = true;
    EXPECT_NO_THROW(Send(QEvent::Show));
    EXPECT_TRUE(Send(QEvent::Close));
    storage->OwnerDestroying();
    EXPECT_EQ(log, QStringList({"load", "window show", "window close"}));
    EXPECT_FALSE(storage->PropsLoaded());
}

TEST_F(Lifecycle, ASaveErrorAtClosingIsShownTheWindowClosesAndTheDestructionTriesAgain)
{
    Send(QEvent::Show);
    manager.failSave = true;
    EXPECT_TRUE(Send(QEvent::Close));
    storage->OwnerDestroying();
    const QString shown = "shown: Failed to set data for 'Line0000000000'";
    EXPECT_EQ(log, QStringList({"load", "window show", "window close", "save", shown, "save while destroying", shown}));
    EXPECT_TRUE(storage->PropsLoaded());
    EXPECT_FALSE(storage->Saved());
}

TEST_F(Lifecycle, DirectCallsPassTheirErrorsToTheCaller)
{
    manager.failLoad = true;
    EXPECT_THROW(storage->LoadProperties(), Error);
    EXPECT_FALSE(storage->PropsLoaded());
}

TEST(PropStorage, AManagerDestroyedFirstIsForgottenAndLaterCallsStoreNothing)
{
    QStringList log;
    FakeDialog window;
    TPropStorageEh storage(&window);
    auto manager = std::make_unique<LoggingManager>(log);
    storage.setStorageManager(manager.get());
    manager.reset();
    int events = 0;
    QObject::connect(&storage, &TPropStorageEh::AfterLoadProps, [&] { ++events; });
    QObject::connect(&storage, &TPropStorageEh::AfterSaveProps, [&] { ++events; });

    EXPECT_EQ(storage.StorageManager(), nullptr);
    storage.LoadProperties();
    storage.SaveProperties();
    EXPECT_EQ(events, 2);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(storage.Saved());
}

TEST(PropStorage, TheDefaultSectionOfAComponentOwnedByAnotherObjectNamesBoth)
{
    FakeDialog window;
    QObject options(&window);
    options.setObjectName(QStringLiteral("opts"));
    EXPECT_EQ(TPropStorageEh(&options).Section(), "TAnalisisDG.opts");
    QObject loose;
    loose.setObjectName(QStringLiteral("opts"));
    EXPECT_EQ(TPropStorageEh(&loose).Section(), "opts");
}

} // namespace

#include "propstorage_test.moc"
