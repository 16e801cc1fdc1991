#include "app/TformPrint.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DebugConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        console.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    }

    QStringList lines() const
    {
        const QString text = console.Memo1->toPlainText();
        return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
    }
    QScrollBar *bar() const { return console.Memo1->verticalScrollBar(); }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            console.PrintToConsole(QStringLiteral("line %1").arg(i));
    }

    TformPrint console;
};

}  // namespace

TEST_F(DebugConsoleTest, StartsWithItsControlsAndAutoScrollOn)
{
    EXPECT_EQ(console.windowTitle(), "Debug Console");
    EXPECT_EQ(console.btnClear->text(), "Clear");
    EXPECT_EQ(console.btnScrollTop->text(), "UP");
    EXPECT_EQ(console.CheckBox1->text(), "scroll");
    EXPECT_TRUE(console.CheckBox1->isChecked());
    EXPECT_TRUE(console.console_auto_scroll);
    EXPECT_TRUE(console.Memo1->isReadOnly());
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(DebugConsoleTest, LinesStayAsWrittenIncludingEmptyOnes)
{
    console.PrintToConsole("");
    console.PrintToConsole("  FT device count: 1  ");
    console.AppendConsoleLine("");
    console.AppendConsoleLine("baud rate = 115200");
    EXPECT_EQ(lines(), QStringList({"", "  FT device count: 1  ", "", "baud rate = 115200"}));
}

TEST_F(DebugConsoleTest, ClearEmptiesTheLogAndTheNextLineIsTheFirst)
{
    fill(5);
    QTest::mouseClick(console.btnClear, Qt::LeftButton);
    EXPECT_TRUE(lines().isEmpty());
    console.PrintToConsole("first");
    EXPECT_EQ(lines(), QStringList({"first"}));
}

TEST_F(DebugConsoleTest, PrintFollowsTheEndOnlyWhileScrollIsTicked)
{
    fill(300);
    ASSERT_GT(bar()->maximum(), 20) << "the log must be long enough to scroll";
    EXPECT_EQ(bar()->value(), bar()->maximum());

    console.CheckBox1->click();  // untick
    EXPECT_FALSE(console.console_auto_scroll);
    bar()->setValue(10);
    fill(20);
    EXPECT_EQ(bar()->value(), 10) << "the view stays where the user left it";

    console.CheckBox1->click();  // tick again: no jump until the next line
    EXPECT_TRUE(console.console_auto_scroll);
    EXPECT_EQ(bar()->value(), 10);
    console.PrintToConsole("next");
    EXPECT_EQ(bar()->value(), bar()->maximum());
}

TEST_F(DebugConsoleTest, UpGoesToTheTopAndTheNextLineScrollsBack)
{
    fill(300);
    QTest::mouseClick(console.btnScrollTop, Qt::LeftButton);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_TRUE(console.CheckBox1->isChecked());
    console.PrintToConsole("next");
    EXPECT_EQ(bar()->value(), bar()->maximum());
}

TEST_F(DebugConsoleTest, AppendConsoleLineNeverMovesTheView)
{
    fill(300);
    const int bottom = bar()->value();
    ASSERT_EQ(bottom, bar()->maximum());
    for (int i = 0; i < 30; ++i)
        console.AppendConsoleLine("received Byte: 79");
    EXPECT_EQ(bar()->value(), bottom) << "not even when the view was at the end";
    EXPECT_GT(bar()->maximum(), bottom);

    bar()->setValue(7);
    console.AppendConsoleLine("baud rate = 115200");
    EXPECT_EQ(bar()->value(), 7);
}

TEST_F(DebugConsoleTest, ClosingAndReopeningKeepsEveryLine)
{
    fill(3);
    console.close();
    EXPECT_FALSE(console.isVisible());
    console.PrintToConsole("while hidden");
    console.show();
    EXPECT_EQ(lines(), QStringList({"line 0", "line 1", "line 2", "while hidden"}));
}
