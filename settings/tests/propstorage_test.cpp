#include "fakewindows.h"
#include "propreader.h"
#include "propstorage.h"
#include "propwriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QStringList>

using namespace lorvane;

namespace {

class TMainFM : public QObject
{
    Q_OBJECT
};

TEST(PropStorage, StartsActiveWithTheOwnerAsRootAndItsClassAsDefaultSection)
{
    TMainFM window;
    auto *storage = new TPropStorageEh(&window);
    EXPECT_TRUE(storage->Active());
    EXPECT_EQ(storage->StoredProps().Root(), &window);
    EXPECT_EQ(storage->Section(), "TMainFM");
    storage->setSection(QStringLiteral("Analisis\\Lorvane"));
    EXPECT_EQ(storage->Section(), "Analisis\\Lorvane");
}

TEST(PropStorage, LoadAndSaveWithoutManagerRaiseTheirEventsAndKeepTheFlags)
{
    TMainFM window;
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

} // namespace

#include "propstorage_test.moc"
