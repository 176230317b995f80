#include "settings/mapping/collection.h"
#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/tests/streamtesting.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

class WriterTest : public testing::Test
{
protected:
    FormInterceptorScope interceptors;
};

TEST_F(WriterTest, DialogWorkedExampleGivesThe88Bytes)
{
    FakeDialog dialog;
    dialog.geometry.setHeight(232);
    dialog.cbHTML->m_checked = true;
    const QByteArray bytes = WriteStream(&dialog, {"<P>.Height", "gbOption.cbHTML.<P>.Checked"});
    const QByteArray expected = QByteArray::fromHex(
        "54 50 46 30  0B 54 41 6E 61 6C 69 73 69 73 44 47  0A 41 6E 61 6C 69 73 69 73 44 47"
        "06 48 65 69 67 68 74  03 E8 00  00"
        "09 54 47 72 6F 75 70 42 6F 78  08 67 62 4F 70 74 69 6F 6E  00"
        "09 54 43 68 65 63 6B 42 6F 78  06 63 62 48 54 4D 4C  07 43 68 65 63 6B 65 64  09"
        "00 00 00 00");
    ASSERT_EQ(bytes.size(), 88);
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST_F(WriterTest, MainWindowListWritesThePlacementAndOneRecordPerComponent)
{
    FakeMainWindow window;
    window.geometry = QRect(10, 20, 800, 600);
    window.setWindowState(form::wsMaximized);
    window.geometry = QRect(0, 0, 1920, 1080);
    window.cbSource->m_items.setLines({"C:\\src\\", "D:\\"});
    window.cbSource->m_text = QStringLiteral("C:\\src\\");
    window.meResult->m_height = 300;
    window.spResult->m_top = 250;

    const QByteArray expected =
        "TPF0" + Str("TMainFM") + Str("MainFM")
        + Str("Height") + QByteArray::fromHex("035802")
        + Str("Left") + QByteArray::fromHex("020a")
        + Str("Top") + QByteArray::fromHex("0214")
        + Str("Width") + QByteArray::fromHex("032003")
        + Str("WindowState") + "\x07" + Str("wsMaximized")
        + QByteArray(1, '\0')
        + Str("TComboBox") + Str("cbSource")
        + Str("Items.Strings") + "\x01" + "\x06" + Str("C:\\src\\") + "\x06" + Str("D:\\") + QByteArray(1, '\0')
        + Str("Text") + "\x06" + Str("C:\\src\\")
        + QByteArray(2, '\0')
        + Str("TMemo") + Str("meResult") + Str("Height") + QByteArray::fromHex("032c01")
        + QByteArray(2, '\0')
        + Str("TSplitter") + Str("spResult") + Str("Top") + QByteArray::fromHex("03fa00")
        + QByteArray(3, '\0');
    EXPECT_EQ(WriteStream(&window, FakeMainWindow::StoredPaths()).toHex(' '), expected.toHex(' '));
}

TEST_F(WriterTest, EmptyHistoryIsAnEmptyList)
{
    FakeMainWindow window;
    const QByteArray bytes = WriteStream(&window, {"cbSource.<P>.Items.Strings"});
    EXPECT_TRUE(bytes.contains(Str("Items.Strings") + QByteArray::fromHex("0100")));
}

TEST_F(WriterTest, MissingComponentIsLeftOutAndUnwritablePropertiesAreSkipped)
{
    FakeMainWindow window;
    new FakeGrid(&window, QStringLiteral("grid"));
    window.meResult->m_height = 5;
    // Count has no write accessor.
    const QByteArray bytes = WriteStream(
        &window, {"grid.<P>.Count", "gone.<P>.Height", "meResult.<P>.Height"});
    const QByteArray expected = "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TGrid")
                              + Str("grid") + QByteArray(2, '\0') + Str("TMemo") + Str("meResult") + Str("Height")
                              + QByteArray::fromHex("0205") + QByteArray(3, '\0');
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST_F(WriterTest, CustomEntriesFollowTheWindowsOwnProperties)
{
    FakeMainWindow window;
    const QByteArray bytes = WriteStream(&window, {"<P>.WindowState"}, [](TPropWriterEh &writer) {
        writer.WritePropName(QStringLiteral("Extra"));
        writer.WriteInteger(1);
    });
    EXPECT_TRUE(bytes.endsWith(Str("wsNormal") + Str("Extra") + QByteArray::fromHex("0201000000")));
}

class CollectionWriterTest : public WriterTest
{
protected:
    CollectionWriterTest()
    {
        grid = new FakeGrid(&window, QStringLiteral("grid"));
        for (int i = 0; i < 2; ++i) {
            auto *item = static_cast<FakeColumn *>(grid->m_columns.Add());
            item->m_size = 10 + i;
            item->m_caption = QStringLiteral("c%1").arg(i);
        }
    }

    QByteArray GridProperties(const QString &path)
    {
        const QByteArray bytes = WriteStream(&window, {"grid.<P>." + path});
        const QByteArray head = "TPF0" + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0') + Str("TGrid") + Str("grid");
        EXPECT_TRUE(bytes.startsWith(head));
        EXPECT_TRUE(bytes.endsWith(QByteArray(3, '\0')));
        return bytes.mid(head.size(), bytes.size() - head.size() - 3);
    }

    FakeMainWindow window;
    FakeGrid *grid;
};

TEST_F(CollectionWriterTest, ItemPathsWriteIndexedNames)
{
    EXPECT_EQ(GridProperties("Columns.<Item1>.Size"), Str("Columns.__Item1.Size") + QByteArray::fromHex("020b"));
    EXPECT_EQ(GridProperties("Columns.<Item0>"),
              Str("Columns.__Item0.Caption") + "\x06" + Str("c0") + Str("Columns.__Item0.Size") + QByteArray::fromHex("020a"));
    EXPECT_EQ(GridProperties("Columns.<ForAllItems>.Size"),
              Str("Columns.__Item0.Size") + QByteArray::fromHex("020a") + Str("Columns.__Item1.Size")
                  + QByteArray::fromHex("020b"));
}

TEST_F(CollectionWriterTest, WholeCollectionIsAvaCollection)
{
    EXPECT_EQ(GridProperties("Columns"),
              Str("Columns") + "\x0e" + "\x01" + Str("Caption") + "\x06" + Str("c0") + Str("Size")
                  + QByteArray::fromHex("020a00") + "\x01" + Str("Caption") + "\x06" + Str("c1") + Str("Size")
                  + QByteArray::fromHex("020b00") + QByteArray(1, '\0'));
}

TEST_F(CollectionWriterTest, ReferencesNilAndDefinedProperties)
{
    EXPECT_EQ(GridProperties("Buddy"), Str("Buddy") + "\x0d");
    grid->m_buddy = window.meResult;
    EXPECT_EQ(GridProperties("Buddy"), Str("Buddy") + "\x07" + Str("meResult"));
    grid->m_buddy = &window;
    EXPECT_EQ(GridProperties("Buddy"), Str("Buddy") + "\x07" + Str("Owner"));
    grid->m_lines.setLines({"x"});
    EXPECT_EQ(GridProperties("Lines"), Str("Lines.Strings") + QByteArray::fromHex("01060178") + QByteArray(1, '\0'));
}

struct FailureCase
{
    const char *path;
    const char *message;
};

class WriterFailure : public CollectionWriterTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(WriterFailure, EndsTheWriteWithItsMessage)
{
    try {
        WriteStream(&window, {QString::fromUtf8(GetParam().path)});
        FAIL() << GetParam().path;
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), QString::fromUtf8(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, WriterFailure,
    testing::Values(FailureCase{"Height", "Component name is empty."},
                    FailureCase{"grid..<P>.Height", "Component name is empty."},
                    FailureCase{"grid.<P>.", "Property name is empty."},
                    FailureCase{"grid.<P>.Columns.", "Property name is empty."},
                    FailureCase{"grid.<P>.Missing", "Invalide property name: Missing"},
                    FailureCase{"grid.<P>.Lines.<ForAllItems>", "Component type is not Collection."},
                    FailureCase{"grid.<P>.Columns.<Itemx>", "'x' is not a valid integer value"},
                    FailureCase{"grid.<P>.Columns.<Item2>", "List index out of bounds (2)"}));

} // namespace
