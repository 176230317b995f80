#include "app/resultpane.h"
#include "app/tests/testsupport.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTest>
#include <QTextBlock>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

// The lines that the pane's own document layout gives, every block forced.
int DisplayedLines(const TMemo &pane)
{
    QAbstractTextDocumentLayout *layout = pane.document()->documentLayout();
    int lines = 0;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next()) {
        layout->blockBoundingRect(block);
        lines += block.layout()->lineCount();
    }
    return lines;
}

class ResultPaneTest : public test::WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        pane.resize(300, 200);
        pane.show();
        QApplication::processEvents();
    }

    TMemo pane;
};

struct CountCase
{
    const char *text;
    int lines;
};

void PrintTo(const CountCase &count, std::ostream *os)
{
    *os << '"' << count.text << "\" -> " << count.lines;
}

class ShortTextCount : public ResultPaneTest, public ::testing::WithParamInterface<CountCase>
{
};

TEST_P(ShortTextCount, CountsShownLines)
{
    pane.SetText(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(pane.LineCount(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Texts, ShortTextCount,
                         ::testing::Values(CountCase{"", 0}, CountCase{"one line", 1},
                                           CountCase{"one line\r\n", 1}, CountCase{"a\r\nb", 2},
                                           CountCase{"a\r\n\r\n", 2}, CountCase{"\r\n", 1},
                                           CountCase{"a\nb\rc", 3}));

TEST_F(ResultPaneTest, FillingInPiecesMakesTheDocumentTheWholeTextMakes)
{
    QString text = QStringLiteral("\r\n");
    // Empty lines, and lone line breaks that the pane makes CR LF.
    for (int line = 0; line < 5000; ++line) {
        if (line % 7 == 0)
            text += QStringLiteral("\r\n");
        else
            text += QStringLiteral("line %1").arg(line) + (line % 11 == 0 ? QStringLiteral("\n") : QStringLiteral("\r\n"));
    }
    TMemo whole;
    whole.SetText(text);
    int pieces = 1;
    pane.SetText(text, [&] { ++pieces; });

    EXPECT_EQ(pieces, 3);
    EXPECT_EQ(pane.Text(), whole.Text());
    EXPECT_EQ(pane.document()->toPlainText(), whole.document()->toPlainText());
    EXPECT_EQ(pane.document()->blockCount(), whole.document()->blockCount());
    EXPECT_EQ(pane.LineCount(), whole.LineCount());
    EXPECT_TRUE(pane.document()->isUndoRedoEnabled());
    EXPECT_FALSE(pane.document()->isUndoAvailable());
}

TEST_F(ResultPaneTest, TextSetWhileFillingInPiecesIsTheOneThatStays)
{
    QString text;
    for (int line = 0; line < 5000; ++line)
        text += QStringLiteral("line %1\r\n").arg(line);
    pane.SetText(text, [&] { pane.SetText(QStringLiteral("other")); });
    EXPECT_EQ(pane.Text(), QStringLiteral("other"));
    EXPECT_EQ(pane.document()->toPlainText(), QStringLiteral("other"));
}

TEST_F(ResultPaneTest, CountsWrappedPiecesAsTheDisplayLaysThemOut)
{
    QString paragraph;
    for (int word = 0; word < 60; ++word)
        paragraph += QStringLiteral("слово%1 ").arg(word);
    QStringList lines;
    for (int line = 0; line < 400; ++line)
        lines.append(line % 3 ? paragraph : QStringLiteral("short"));
    pane.SetText(lines.join(QStringLiteral("\r\n")));

    const int wide = pane.LineCount();
    EXPECT_GT(wide, 400);
    EXPECT_EQ(wide, DisplayedLines(pane));

    pane.resize(180, 200);
    QApplication::processEvents();
    EXPECT_GT(pane.LineCount(), wide);
    EXPECT_EQ(pane.LineCount(), DisplayedLines(pane));
}

TEST_F(ResultPaneTest, CountsLinesNearTheWidthAndForeignCharactersAsTheDisplay)
{
    // Lengths around the wrap width, letters the font may lack, a tab.
    QStringList lines;
    for (int length = 1; length < 90; length += 3)
        lines.append(QString(length, u'Ш'));
    for (int length = 1; length < 90; length += 7)
        lines.append(QString(length, u'i') + QStringLiteral(" 漢字 ✓ —") + QString(length, u'W'));
    lines.append(QStringLiteral("a\tb\tc"));
    pane.SetText(lines.join(QStringLiteral("\r\n")));

    EXPECT_EQ(pane.LineCount(), DisplayedLines(pane));
    pane.resize(120, 200);
    QApplication::processEvents();
    EXPECT_EQ(pane.LineCount(), DisplayedLines(pane));
}

TEST_F(ResultPaneTest, CountsUpToALimit)
{
    pane.SetText(QStringLiteral("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(pane.LineCountUpTo(5), 3);
    EXPECT_EQ(pane.LineCountUpTo(3), 3);
    EXPECT_EQ(pane.LineCountUpTo(2), 3);
    EXPECT_EQ(pane.LineCountUpTo(0), 1);
    EXPECT_EQ(pane.LineCountUpTo(-4), -3);
}

TEST_F(ResultPaneTest, ShowsATextCursorThatTheKeysMoveButNeverEditsTheText)
{
    pane.SetText(QStringLiteral("first line\r\nsecond"));
    const QString shown = pane.toPlainText();
    pane.setFocus();

    QTest::keyClick(&pane, Qt::Key_Down);
    QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClicks(&pane, QStringLiteral("typed"));
    QTest::keyClick(&pane, Qt::Key_Delete);

    EXPECT_EQ(pane.textCursor().selectedText(), QStringLiteral("second"));
    EXPECT_EQ(pane.Text(), QStringLiteral("first line\r\nsecond"));
    EXPECT_EQ(pane.toPlainText(), shown);
}

TEST_F(ResultPaneTest, KeepsTheTextWithCrLfBreaks)
{
    pane.SetText(QStringLiteral("a\nb\r\nc\r"));
    EXPECT_EQ(pane.Text(), QStringLiteral("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(pane.LineCount(), 3);
}

} // namespace
} // namespace lorvane
