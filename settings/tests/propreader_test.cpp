#include "settings/mapping/collection.h"
#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/tests/streamtesting.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

class ReaderTest : public testing::Test
{
protected:
    static QByteArray Dialog(const QByteArray &checkBoxProperties)
    {
        return "TPF0" + Str("TAnalisisDG") + Str("AnalisisDG") + QByteArray(1, '\0') + Str("TGroupBox")
             + Str("gbOption") + QByteArray(1, '\0') + Str("TCheckBox") + Str("cbHTML") + checkBoxProperties
             + QByteArray(4, '\0');
    }

    static QString ReadError(QObject *owner, const QByteArray &bytes)
    {
        try {
            ReadStream(owner, bytes);
        } catch (const Error &error) {
            return error.message();
        }
        return QString();
    }

    FormInterceptorScope interceptors;
};

TEST_F(ReaderTest, MainWindowAndDialogRoundTrip)
{
    FakeMainWindow source;
    source.geometry = QRect(15, 25, 900, 650);
    source.setWindowState(form::wsMaximized);
    source.geometry = QRect(0, 0, 1920, 1080);
    source.cbSource->m_items.setLines({"C:\\Проекты\\Лорвейн\\", "D:\\work\\", QString()});
    source.cbSource->m_text = QStringLiteral("D:\\work\\");
    source.meResult->m_height = 321;
    source.spResult->m_top = 77;

    FakeMainWindow target;
    ReadStream(&target, WriteStream(&source, FakeMainWindow::StoredPaths()));
    EXPECT_EQ(target.state, form::wsMaximized);
    EXPECT_EQ(target.restored, QRect(15, 25, 900, 650));
    EXPECT_EQ(target.cbSource->m_items.lines(), source.cbSource->m_items.lines());
    EXPECT_EQ(target.cbSource->m_text, source.cbSource->m_text);
    EXPECT_EQ(target.meResult->m_height, 321);
    EXPECT_EQ(target.spResult->m_top, 77);

    FakeDialog dialog;
    dialog.cbHTML->m_checked = true;
    dialog.cbNote->m_checked = true;
    dialog.edDate->m_date = QDate(2020, 1, 1);
    dialog.edDateEnd->m_date = QDate(2024, 2, 29);
    dialog.edLine->m_text = QStringLiteral("300");
    dialog.rbOnlyChange->m_checked = true;
    FakeDialog restored;
    restored.cbLine->m_checked = true;
    restored.rbAll->m_checked = true;
    ReadStream(&restored, WriteStream(&dialog, FakeDialog::StoredPaths()));
    for (auto [from, to] : {std::pair{dialog.cbHTML, restored.cbHTML}, {dialog.cbLine, restored.cbLine},
                            {dialog.cbNote, restored.cbNote}, {dialog.rbAll, restored.rbAll},
                            {dialog.rbOnlyChange, restored.rbOnlyChange}})
        EXPECT_EQ(to->m_checked, from->m_checked) << from->objectName().toStdString();
    EXPECT_EQ(restored.edDate->m_date, QDate(2020, 1, 1));
    EXPECT_EQ(restored.edDateEnd->m_date, QDate(2024, 2, 29));
    EXPECT_EQ(restored.edLine->m_text, "300");
}

TEST_F(ReaderTest, NamesMatchWithoutCaseAndMissingComponentsAreSkipped)
{
    FakeDialog dialog;
    const QByteArray bytes = "TPF0" + Str("TAnalisisDG") + Str("AnalisisDG") + QByteArray(1, '\0')
                           + Str("TGroupBox") + Str("GBOPTION") + QByteArray(1, '\0')
                           + Str("TCheckBox") + Str("cbGone") + Str("Checked") + "\x09" + QByteArray(1, '\0')
                           + Str("TX") + Str("inner") + Str("Y") + "\x09" + QByteArray(2, '\0') + QByteArray(1, '\0')
                           + Str("TCheckBox") + Str("CBhtml") + Str("checked") + "\x09" + QByteArray(4, '\0');
    ReadStream(&dialog, bytes);
    EXPECT_TRUE(dialog.cbHTML->m_checked);
}

TEST_F(ReaderTest, PrefixByteIsAccepted)
{
    FakeDialog dialog;
    QByteArray bytes = Dialog(Str("Checked") + "\x09");
    bytes.insert(4, QByteArray::fromHex("f20205"));
    ReadStream(&dialog, bytes);
    EXPECT_TRUE(dialog.cbHTML->m_checked);
}

TEST_F(ReaderTest, WrongSignatureAppliesNothing)
{
    FakeDialog dialog;
    QByteArray bytes = Dialog(Str("Checked") + "\x09");
    bytes[3] = '1';
    EXPECT_EQ(ReadError(&dialog, bytes), "Invalid stream format");
    EXPECT_FALSE(dialog.cbHTML->m_checked);
}

struct DroppedCase
{
    const char *name;
    QByteArray entry;
};

class DroppedError : public ReaderTest, public testing::WithParamInterface<DroppedCase>
{
};

// Each faulty entry stands between two good ones; both good ones apply.
TEST_P(DroppedError, LeavesTheStreamInStep)
{
    FakeDialog dialog;
    ReadStream(&dialog, Dialog(Str("Height") + QByteArray::fromHex("0207") + GetParam().entry + Str("Checked") + "\x09"));
    EXPECT_EQ(dialog.cbHTML->m_height, 7);
    EXPECT_TRUE(dialog.cbHTML->m_checked);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DroppedError,
    testing::Values(DroppedCase{"Unknown", Str("Missing") + QByteArray::fromHex("0106017800")},
                    DroppedCase{"UnknownInPath", Str("Missing.X") + QByteArray::fromHex("0203")},
                    DroppedCase{"PathThroughNonObject", Str("Top.X") + QByteArray::fromHex("0c050000006162636465")},
                    DroppedCase{"WrongTag", Str("Checked") + QByteArray::fromHex("0203")},
                    DroppedCase{"UnknownEnumName", Str("Checked") + "\x07" + Str("Maybe")},
                    DroppedCase{"Int64ForInt", Str("Top") + QByteArray::fromHex("130100000000000000")},
                    DroppedCase{"TextForInt", Str("Top") + QByteArray::fromHex("120200000031003200")}),
    [](const auto &info) { return info.param.name; });

TEST_F(ReaderTest, DroppedErrorsNameTheComponentAndEntry)
{
    // The first entry name of a stream is read before errors may be dropped;
    // an error in a later entry is dropped. Check the text through a
    // defined property, whose errors are never dropped.
    FakeMainWindow window;
    const QByteArray bytes = "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TComboBox")
                           + Str("cbSource") + Str("Items.Strings") + QByteArray::fromHex("0203") + QByteArray(4, '\0');
    EXPECT_EQ(ReadError(&window, bytes), "Error reading cbSource.Items.Strings: Invalid property value");
}

TEST_F(ReaderTest, ReadOnlyPropertyIsReported)
{
    FakeMainWindow window;
    window.cbSource->m_items.setLines({"kept"});
    // Items has no write accessor: a string for it is refused, and the next entry still applies.
    ReadStream(&window, "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TComboBox")
                            + Str("cbSource") + Str("Items") + "\x06" + Str("x") + Str("Text") + "\x06" + Str("t")
                            + QByteArray(3, '\0'));
    EXPECT_EQ(window.cbSource->m_items.lines(), QStringList{"kept"});
    EXPECT_EQ(window.cbSource->m_text, "t");
}

TEST_F(ReaderTest, EmptyListReadsAsEmpty)
{
    FakeMainWindow window;
    window.cbSource->m_items.setLines({"old"});
    ReadStream(&window, "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TComboBox")
                            + Str("cbSource") + Str("Items.Strings") + QByteArray::fromHex("0100") + QByteArray(3, '\0'));
    EXPECT_TRUE(window.cbSource->m_items.lines().isEmpty());
}

TEST_F(ReaderTest, StringTagsDecodeInTheirOwnWay)
{
    FakeMainWindow window;
    const auto read = [&window](const QByteArray &value) {
        ReadStream(&window, "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TComboBox")
                                + Str("cbSource") + Str("Text") + value + QByteArray(3, '\0'));
        return window.cbSource->m_text;
    };
    EXPECT_EQ(read(QByteArray::fromHex("0604c4e0f2e0")), QStringLiteral("Дата"));
    EXPECT_EQ(read(QByteArray::fromHex("0c02000000e0e0")), QStringLiteral("аа"));
    EXPECT_EQ(read(QByteArray::fromHex("1202000000140430 04")), QStringLiteral("Да"));
    EXPECT_EQ(read(QByteArray::fromHex("1402000000d094")), QStringLiteral("Д"));
}

struct TruncatedCase
{
    const char *name;
    QByteArray tail;
};

class Truncated : public ReaderTest, public testing::WithParamInterface<TruncatedCase>
{
};

TEST_P(Truncated, EndsWithStreamReadErrorAndKeepsWhatWasSet)
{
    FakeDialog dialog;
    QByteArray bytes = Dialog(Str("Height") + QByteArray::fromHex("0207") + GetParam().tail);
    bytes.chop(4);
    EXPECT_EQ(ReadError(&dialog, bytes), "Stream read error");
    EXPECT_EQ(dialog.cbHTML->m_height, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, Truncated,
    testing::Values(TruncatedCase{"HugeLString", Str("Checked") + QByteArray::fromHex("0c00000080") + "abc"},
                    TruncatedCase{"HugeWString", Str("Checked") + QByteArray::fromHex("12ffffff7f") + "ab"},
                    TruncatedCase{"HugeBinary", Str("Checked") + QByteArray::fromHex("0affffffff")},
                    TruncatedCase{"ShortName", QByteArray::fromHex("ff") + "abc"},
                    TruncatedCase{"OpenList", Str("X") + QByteArray::fromHex("01020102")}),
    [](const auto &info) { return info.param.name; });

TEST_F(ReaderTest, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    FakeDialog dialog;
    const QByteArray lists = Dialog(Str("X") + QByteArray(100000, '\x01') + QByteArray(100000, '\0'));
    EXPECT_EQ(ReadError(&dialog, lists), "Invalid stream format");

    QByteArray records = "TPF0" + Str("TAnalisisDG") + Str("AnalisisDG") + QByteArray(1, '\0');
    for (int i = 0; i < 100000; ++i)
        records += Str("T") + Str("n") + QByteArray(1, '\0');
    records += QByteArray(100001, '\0');
    EXPECT_EQ(ReadError(&dialog, records), "Invalid stream format");
}

TEST_F(ReaderTest, OwnerPropertyHandlerTakesWhatNoInterceptorTakes)
{
    FakeMainWindow window;
    QBuffer buffer;
    buffer.setData("TPF0" + Str("TMainFM") + Str("MainFM") + Str("Width") + QByteArray::fromHex("036400") + Str("Custom")
                   + QByteArray::fromHex("022a") + QByteArray(2, '\0'));
    buffer.open(QIODevice::ReadOnly);
    TPropReaderEh reader(&buffer, 16);
    QStringList offered;
    qint64 custom = 0;
    reader.OnReadOwnerProp = [&](TPropReaderEh &r, const QString &name, bool &processed) {
        offered << name;
        if (name == "Custom") {
            custom = r.ReadInteger();
            processed = true;
        }
    };
    reader.ReadOwnerProperties(&window);
    EXPECT_EQ(offered, QStringList{"Custom"});
    EXPECT_EQ(custom, 42);
    EXPECT_EQ(window.geometry.width(), 100);
}

TEST_F(ReaderTest, CollectionsAreReplacedOrAddressedByItemInUpdate)
{
    FakeMainWindow window;
    auto *grid = new FakeGrid(&window, QStringLiteral("grid"));
    grid->m_columns.Add();
    const auto read = [&window](const QByteArray &properties) {
        ReadStream(&window, "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TGrid")
                                + Str("grid") + properties + QByteArray(3, '\0'));
    };
    read(Str("Columns") + QByteArray::fromHex("0e00"));
    EXPECT_EQ(grid->m_columns.Count(), 1);

    read(Str("Columns") + "\x0e" + QByteArray::fromHex("0201") + "\x01" + Str("Size") + QByteArray::fromHex("020500")
         + "\x01" + Str("Caption") + "\x06" + Str("b") + QByteArray::fromHex("0000"));
    ASSERT_EQ(grid->m_columns.Count(), 2);
    auto *first = static_cast<FakeColumn *>(grid->m_columns.Items(0));
    EXPECT_EQ(first->m_size, 5);
    EXPECT_EQ(first->updateCountSeen, 1);
    EXPECT_EQ(static_cast<FakeColumn *>(grid->m_columns.Items(1))->m_caption, "b");

    read(Str("Columns.__Item1.Size") + QByteArray::fromHex("0209") + Str("Columns.__Item7.Size")
         + QByteArray::fromHex("0209"));
    auto *second = static_cast<FakeColumn *>(grid->m_columns.Items(1));
    EXPECT_EQ(second->m_size, 9);
    EXPECT_EQ(second->updateCountSeen, 1);
    EXPECT_EQ(grid->m_columns.UpdateCount(), 0);
}

TEST_F(ReaderTest, ReferencesAreFoundByNameInTheWindow)
{
    FakeMainWindow window;
    auto *grid = new FakeGrid(&window, QStringLiteral("grid"));
    const auto read = [&window](const QByteArray &value) {
        ReadStream(&window, "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TGrid")
                                + Str("grid") + Str("Buddy") + value + QByteArray(3, '\0'));
    };
    read("\x07" + Str("MERESULT"));
    EXPECT_EQ(grid->m_buddy, window.meResult);
    read("\x07" + Str("nowhere"));
    EXPECT_EQ(grid->m_buddy, window.meResult);
    read("\x0d");
    EXPECT_EQ(grid->m_buddy, nullptr);
}

} // namespace
