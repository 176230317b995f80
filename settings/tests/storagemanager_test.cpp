#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/store/propstorage.h"
#include "settings/store/regpropstorageman.h"
#include "settings/tests/storetesting.h"
#include "settings/stream/textform.h"

#include "testsupport/testing.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>

#include <functional>
#include <memory>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorvane;

namespace {

const QString kPath = QStringLiteral("Software\\Tessivar\\Lorvane");

class StorageManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        storeFile = EmptyTestStore();
        manager.setPath(kPath);
        manager.setWriteAsText(false);
    }

    TPropStorageEh *Storage(FakeForm &window, const QStringList &paths, const QString &section)
    {
        auto *storage = new TPropStorageEh(&window);
        storage->StoredProps().Assign(paths);
        storage->setSection(section);
        storage->setStorageManager(&manager);
        return storage;
    }

    static FakeDialog &Options(FakeDialog &dialog)
    {
        dialog.cbHTML->m_checked = true;
        dialog.edLine->m_text = QStringLiteral("75");
        dialog.edDate->m_date = QDate(2019, 4, 2);
        return dialog;
    }

    static void ExpectOptions(const FakeDialog &dialog)
    {
        EXPECT_TRUE(dialog.cbHTML->m_checked);
        EXPECT_EQ(dialog.edLine->m_text, "75");
        EXPECT_EQ(dialog.edDate->m_date, QDate(2019, 4, 2));
    }

    // The section's values by name, in the order of their names.
    static QMap<QString, QString> Values(const QString &group)
    {
        QSettings store = RawStore();
        store.beginGroup(group);
        QMap<QString, QString> values;
        for (const QString &name : store.childKeys())
            values.insert(name, store.value(name).toString());
        return values;
    }

    static void PutValues(const QString &group, const QMap<QString, QVariant> &values)
    {
        QSettings store = RawStore();
        store.beginGroup(group);
        for (auto it = values.begin(); it != values.end(); ++it)
            store.setValue(it.key(), it.value());
        store.sync();
    }

    void WriteStream(const QString &section, const QByteArray &bytes)
    {
        FakeDialog window;
        QByteArray data = bytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        manager.WritePropertiesStream(*Storage(window, {}, section), &buffer);
    }

    FormInterceptorScope interceptors;
    QString storeFile;
    TRegPropStorageManEh manager;
};

TEST_F(StorageManagerTest, AStreamOf100BytesTakesThreeValuesOf80_80And40Digits)
{
    WriteStream(QStringLiteral("File"), "TPF0" + QByteArray(96, '\x5A'));

    const QMap<QString, QString> values = Values(QStringLiteral("File"));
    EXPECT_EQ(values.keys(), QStringList({"Line0000000000", "Line0000000001", "Line0000000002"}));
    EXPECT_EQ(values.value("Line0000000000").size(), 80);
    EXPECT_EQ(values.value("Line0000000001").size(), 80);
    EXPECT_EQ(values.value("Line0000000002").size(), 40);
    EXPECT_TRUE(values.value("Line0000000000").startsWith("545046305A5A"));
}

struct StaleCase
{
    QList<int> present;
    int written;
    QList<int> after;
};

class StaleValues : public StorageManagerTest, public ::testing::WithParamInterface<StaleCase>
{
};

TEST_P(StaleValues, AreDeletedFromTheFirstIndexNotWrittenToTheFirstMissingOne)
{
    QMap<QString, QVariant> old;
    for (int index : GetParam().present)
        old.insert(TRegPropStorageManEh::LineName(index), QStringLiteral("00"));
    PutValues(QStringLiteral("File"), old);

    WriteStream(QStringLiteral("File"), QByteArray(40 * GetParam().written, '\x01'));

    QStringList expected;
    for (int index : GetParam().after)
        expected << TRegPropStorageManEh::LineName(index);
    EXPECT_EQ(Values(QStringLiteral("File")).keys(), expected);
}

INSTANTIATE_TEST_SUITE_P(Saves, StaleValues,
                         ::testing::Values(StaleCase{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
                                           StaleCase{{0, 1, 2, 4}, 2, {0, 1, 4}},
                                           StaleCase{{0, 1, 2, 4}, 5, {0, 1, 2, 3, 4}}));

// How a stored section may differ from what a save writes and still read.
enum class Variation { AsSaved, LowerCaseDigitsAndNames, GapAfterTheLastValue, TextForm };

class ReadingVariations : public StorageManagerTest, public ::testing::WithParamInterface<Variation>
{
};

TEST_P(ReadingVariations, RestoreTheSavedOptions)
{
    FakeDialog source;
    manager.setWriteAsText(GetParam() == Variation::TextForm);
    Storage(Options(source), FakeDialog::StoredPaths(), QStringLiteral("Analisis\\proj"))->SaveProperties();
    const QString group = QStringLiteral("Analisis/proj");
    QMap<QString, QString> values = Values(group);
    ASSERT_FALSE(values.isEmpty());
    if (GetParam() == Variation::TextForm) {
        EXPECT_EQ(values.first(), "object AnalisisDG: TAnalisisDG");
    }
    if (GetParam() == Variation::LowerCaseDigitsAndNames) {
        QMap<QString, QVariant> lower;
        for (auto it = values.begin(); it != values.end(); ++it)
            lower.insert(it.key().toUpper(), it.value().toLower());
        RawStore().remove(group);
        PutValues(group, lower);
    }
    if (GetParam() == Variation::GapAfterTheLastValue)
        PutValues(group, {{TRegPropStorageManEh::LineName(int(values.size()) + 1), QStringLiteral("ZZZZ")}});

    FakeDialog target;
    Storage(target, FakeDialog::StoredPaths(), QStringLiteral("Analisis\\proj"))->LoadProperties();
    ExpectOptions(target);
}

INSTANTIATE_TEST_SUITE_P(Sections, ReadingVariations,
                         ::testing::Values(Variation::AsSaved, Variation::LowerCaseDigitsAndNames,
                                           Variation::GapAfterTheLastValue, Variation::TextForm));

TEST_F(StorageManagerTest, TheTextFormConvertsBackToTheSameStream)
{
    FakeMainWindow window;
    window.cbSource->m_items.setLines({QStringLiteral("C:\\Работа\\'x'\\"), QString()});
    window.cbSource->m_text = QStringLiteral("tab\there");
    window.state = form::wsMaximized;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Storage(window, FakeMainWindow::StoredPaths(), QStringLiteral("File"))->WritePropValues(&buffer);

    const QString text = PropertyStreamToText(bytes);
    EXPECT_TRUE(text.startsWith("object MainFM: TMainFM\r\n  Height = ")) << text.toStdString();
    EXPECT_TRUE(text.contains("WindowState = wsMaximized\r\n")) << text.toStdString();
    EXPECT_EQ(PropertyTextToStream(text.toLatin1()), bytes);
}

struct OlderLayout
{
    const char *name;
    bool binary;
};

class OlderLayoutTest : public StorageManagerTest, public ::testing::WithParamInterface<OlderLayout>
{
};

TEST_P(OlderLayoutTest, IsReadOnceThenDeletedAndTheNextSaveWritesTheSection)
{
    FakeDialog source;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Storage(Options(source), FakeDialog::StoredPaths(), QStringLiteral("File"))->WritePropValues(&buffer);
    PutValues(QString(), {{QStringLiteral("File"), GetParam().binary
                                                        ? QVariant(bytes)
                                                        : QVariant(PropertyStreamToText(bytes))}});

    FakeDialog target;
    TPropStorageEh *storage = Storage(target, FakeDialog::StoredPaths(), QStringLiteral("File"));
    storage->LoadProperties();
    ExpectOptions(target);
    EXPECT_FALSE(RawStore().contains(QStringLiteral("File")));

    storage->SaveProperties();
    EXPECT_EQ(Values(QStringLiteral("File")).size(), (bytes.size() + 39) / 40);
}

// A value of the older layout left in the store would shadow the section at
// every later load, so a store that cannot drop it is an error.
TEST_F(StorageManagerTest, AnOlderLayoutValueThatCannotBeDeletedFailsTheLoadAfterApplyingIt)
{
    FakeDialog source;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Storage(Options(source), FakeDialog::StoredPaths(), QStringLiteral("File"))->WritePropValues(&buffer);
    PutValues(QString(), {{QStringLiteral("File"), QVariant(bytes)}});
    QDir().mkpath(storeFile + ".lock");

    FakeDialog target;
    try {
        Storage(target, FakeDialog::StoredPaths(), QStringLiteral("File"))->LoadProperties();
        ADD_FAILURE() << "no error";
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Failed to set data for 'File'\n%1: its lock \"%1.lock\" is a folder")
                                       .arg(storeFile));
    }
    ExpectOptions(target);
    QDir().rmdir(storeFile + ".lock");
    EXPECT_TRUE(RawStore().contains(QStringLiteral("File")));
}

INSTANTIATE_TEST_SUITE_P(Values, OlderLayoutTest,
                         ::testing::Values(OlderLayout{"Binary", true}, OlderLayout{"TextString", false}),
                         [](const auto &info) { return std::string(info.param.name); });

struct BadSection
{
    const char *name;
    QVariant first;
    const char *message;
};

class BadSections : public StorageManagerTest, public ::testing::WithParamInterface<BadSection>
{
};

TEST_P(BadSections, FailTheLoadBeforeAfterLoadPropsAndKeepTheWindow)
{
    PutValues(QStringLiteral("File"), {{QStringLiteral("Line0000000000"), GetParam().first}});
    FakeMainWindow window;
    window.cbSource->m_text = QStringLiteral("kept");
    TPropStorageEh *storage = Storage(window, FakeMainWindow::StoredPaths(), QStringLiteral("File"));
    bool afterLoad = false;
    QObject::connect(storage, &TPropStorageEh::AfterLoadProps, [&] { afterLoad = true; });

    try {
        storage->LoadProperties();
        ADD_FAILURE() << "no error";
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), GetParam().message);
    }
    EXPECT_FALSE(afterLoad);
    EXPECT_FALSE(storage->PropsLoaded());
    EXPECT_EQ(window.cbSource->m_text, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadSections,
    ::testing::Values(BadSection{"BinaryLine", QByteArray("\x01\x02", 2), "Invalid data type for 'Line0000000000'"},
                      BadSection{"ListLine", QStringList{"a", "b"}, "Invalid data type for 'Line0000000000'"},
                      BadSection{"NeitherForm", QStringLiteral("41424344"), "Invalid stream format."},
                      BadSection{"HexGarbage", QStringLiteral("5Q504630"), "Invalid stream format"},
                      BadSection{"BrokenText", QStringLiteral("object MainFM"), "Invalid stream format."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StorageManagerTest, AnEmptyValueOfAnyTypeReadsAsEmptyText)
{
    PutValues(QStringLiteral("File"), {{QStringLiteral("Line0000000000"), QByteArray()}});
    FakeMainWindow window;
    try {
        Storage(window, FakeMainWindow::StoredPaths(), QStringLiteral("File"))->LoadProperties();
        ADD_FAILURE() << "no error";
    } catch (const Error &error) {
        // No bytes at all: the stream reader's own complaint, not the type's.
        EXPECT_EQ(error.message(), "Stream read error");
    }
}

// What stands in the way of writing the store, and the reason its error
// gives after the file's name.
struct UnwritableStore
{
    const char *name;
    std::function<void(const QString &storeFile)> block;
    std::function<void(const QString &storeFile)> unblock;
    const char *reason;
};

class UnwritableStores : public StorageManagerTest, public ::testing::WithParamInterface<UnwritableStore>
{
};

TEST_P(UnwritableStores, FailTheSaveNamingItsFirstValueTheFileAndTheReason)
{
    GetParam().block(storeFile);
    FakeMainWindow window;
    TPropStorageEh *storage = Storage(window, FakeMainWindow::StoredPaths(), QStringLiteral("File"));
    storage->LoadProperties();
    QElapsedTimer clock;
    clock.start();
    try {
        storage->SaveProperties();
        ADD_FAILURE() << "no error";
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Failed to set data for 'Line0000000000'\n%1: %2")
                                       .arg(storeFile, QString::fromUtf8(GetParam().reason).arg(storeFile)));
    }
    EXPECT_LT(clock.elapsed(), 10000) << "the save waited too long for the store";
    EXPECT_TRUE(storage->PropsLoaded());
    EXPECT_FALSE(storage->Saved());
    GetParam().unblock(storeFile);
    // Unblocked, the same component saves.
    EXPECT_NO_THROW(storage->SaveProperties());
}

// A lock of the store as another program holding it would leave it.
std::unique_ptr<QLockFile> heldLock;

QString StoreFolder(const QString &storeFile)
{
    return QFileInfo(storeFile).path();
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, UnwritableStores,
    ::testing::Values(
        UnwritableStore{"FolderIsAFile",
                        [](const QString &file) {
                            QDir(StoreFolder(file)).removeRecursively();
                            QFile blocker(StoreFolder(file));
                            blocker.open(QIODevice::WriteOnly);
                        },
                        [](const QString &file) { QFile::remove(StoreFolder(file)); }, "Not a directory"},
        UnwritableStore{"LockIsAFolder",
                        [](const QString &file) { QDir().mkpath(file + ".lock"); },
                        [](const QString &file) { QDir().rmdir(file + ".lock"); }, "its lock \"%1.lock\" is a folder"},
        UnwritableStore{"LockIsHeld",
                        [](const QString &file) {
                            QDir().mkpath(StoreFolder(file));
                            heldLock = std::make_unique<QLockFile>(file + ".lock");
                            heldLock->lock();
                        },
                        [](const QString &) { heldLock.reset(); },
                        "its lock \"%1.lock\" was not released within 3 seconds"}),
    [](const auto &info) { return std::string(info.param.name); });

// The message of a save of the main window's settings, or empty when it
// succeeded; run in a child process as an ordinary user, since permissions
// do not stop root.
QString SaveMessageAsOrdinaryUser(TRegPropStorageManEh &manager)
{
    constexpr uid_t kUser = 12345;
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(kUser, kUser, kUser) != 0
                || ::setresuid(kUser, kUser, kUser) != 0))
            ::_exit(3);
        QByteArray message;
        try {
            FakeMainWindow window;
            TPropStorageEh storage(&window);
            storage.StoredProps().Assign(FakeMainWindow::StoredPaths());
            storage.setSection(QStringLiteral("File"));
            storage.setStorageManager(&manager);
            storage.SaveProperties();
        } catch (const Error &error) {
            message = error.message().toUtf8();
        }
        const bool sent = message.isEmpty() || ::write(channel[1], message.constData(), size_t(message.size())) > 0;
        ::_exit(sent ? 0 : 4);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the saving process failed with status %1").arg(status);
    return QString::fromUtf8(message);
}

TEST_F(StorageManagerTest, ASaveUnderAReadOnlySettingsFolderSaysPermissionDenied)
{
    // The store's own folder is still to be made in a folder that cannot
    // be written.
    const QString storeFolder = QFileInfo(storeFile).path();
    const QByteArray settingsFolder = QFile::encodeName(QFileInfo(storeFolder).path());
    QDir(storeFolder).removeRecursively();
    ASSERT_EQ(::chmod(settingsFolder.constData(), 0555), 0);

    const QString message = SaveMessageAsOrdinaryUser(manager);
    ::chmod(settingsFolder.constData(), 0700);

    EXPECT_EQ(message, QStringLiteral("Failed to set data for 'Line0000000000'\n%1: Permission denied").arg(storeFile));
}

TEST_F(StorageManagerTest, ASaveRewritesItsSectionWholeAndKeepsTheOthers)
{
    FakeDialog one;
    Storage(Options(one), FakeDialog::StoredPaths(), QStringLiteral("Analisis\\one"))->SaveProperties();
    const QMap<QString, QString> kept = Values(QStringLiteral("Analisis/one"));
    FakeMainWindow window;
    TPropStorageEh *file = Storage(window, FakeMainWindow::StoredPaths(), QStringLiteral("File"));
    file->SaveProperties();
    window.cbSource->m_items.setLines(QStringList(40, QStringLiteral("C:\\long folder name\\")));
    file->SaveProperties();

    EXPECT_EQ(Values(QStringLiteral("Analisis/one")), kept);
    FakeMainWindow target;
    Storage(target, FakeMainWindow::StoredPaths(), QStringLiteral("File"))->LoadProperties();
    EXPECT_EQ(target.cbSource->m_items.lines().size(), 40);
}

struct RootCase
{
    TRegPropStorageManEh::TRegistryKeyEh key;
    HKEY handle;
};

class RootKeys : public ::testing::TestWithParam<RootCase>
{
};

TEST_P(RootKeys, ChoosingEitherSetsTheOther)
{
    TRegPropStorageManEh manager;
    manager.setRegistryKey(GetParam().key);
    EXPECT_EQ(manager.Key(), GetParam().handle);
    manager.setKey(HKEY_CURRENT_USER);
    manager.setKey(GetParam().handle);
    EXPECT_EQ(manager.RegistryKey(), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(Roots, RootKeys,
                         ::testing::Values(RootCase{TRegPropStorageManEh::rkCurrentUserEh, HKEY_CURRENT_USER},
                                           RootCase{TRegPropStorageManEh::rkLocalMachineEh, HKEY_LOCAL_MACHINE},
                                           RootCase{TRegPropStorageManEh::rkDynDataEh, HKEY_DYN_DATA}));

TEST(RootKey, AnyOtherHandleIsCustomAndOnlyTheCurrentUserKeyIsStored)
{
    EmptyTestStore();
    TRegPropStorageManEh manager;
    manager.setPath(kPath);
    manager.setKey(0x1234);
    EXPECT_EQ(manager.RegistryKey(), TRegPropStorageManEh::rkCustomRegistryKeyEh);
    FakeDialog window;
    TPropStorageEh storage(&window);
    storage.setStorageManager(&manager);
    EXPECT_THROW(storage.SaveProperties(), Error);
    EXPECT_NO_THROW(storage.LoadProperties());
}

TEST(DefaultPath, IsSoftwareAndTheApplicationTitle)
{
    QCoreApplication::setApplicationName(QStringLiteral("Lorvane"));
    TRegPropStorageManEh manager;
    FakeDialog window;
    TPropStorageEh storage(&window);
    EXPECT_EQ(manager.SectionKeyPath(storage), "Software\\Lorvane\\TAnalisisDG");
    manager.setPath(kPath);
    storage.setSection(QStringLiteral("Analisis\\proj"));
    EXPECT_EQ(manager.SectionKeyPath(storage), "Software\\Tessivar\\Lorvane\\Analisis\\proj");
    QCoreApplication::setApplicationName(QString());
}

} // namespace
