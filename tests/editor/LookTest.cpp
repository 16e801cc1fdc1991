// The Look menu on the real windows: its items, applying a look to windows
// already open, style.txt at start and after a choice, and that every window
// keeps its fonts and its captions whole in every look.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "params/TformFXsettings.h"
#include "prefs/LookMenu.h"
#include "prefs/LookTheme.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

class LookTest : public EditorFixture {
protected:
    void TearDown() override
    {
        // The next test starts from the first look, as a first start does.
        windows.reset();
        if (const std::optional<LookTheme> first = LookTheme::load(LookTheme::name(0)))
            first->apply();
    }
    // A new start of the editor on the same Documents folder.
    void restart()
    {
        windows.reset();
        start();
        QCoreApplication::processEvents();  // lets deferred log lines arrive
    }
    LookMenu *looks() const { return windows->formMain->findChild<LookMenu *>(); }
    QString stylePath() const { return documentsPath + "/QUELM/style.txt"; }
    void writeStyle(const QByteArray &content) const
    {
        ASSERT_TRUE(QDir(documentsPath).mkpath("QUELM"));
        QFile file(stylePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readStyle() const
    {
        QFile file(stylePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // The application shows `look`: its palette and its style sheet.
    static void expectApplied(int look)
    {
        const std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(look));
        ASSERT_TRUE(theme.has_value());
        EXPECT_EQ(qApp->styleSheet(), theme->styleSheet) << "Style_" << look;
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), theme->palette.color(QPalette::Window))
            << "Style_" << look;
    }
    QAction *item(int look) const { return looks()->items().at(look); }
};

}  // namespace

TEST_F(LookTest, TheLookMenuHoldsTheItemsZeroToSixInOrder)
{
    start();
    TformMain &w = *windows->formMain;
    EXPECT_EQ(w.menuLook->title().remove('&'), "Look");
    EXPECT_TRUE(w.menuSettings->actions().contains(w.menuLook->menuAction()));
    QStringList texts;
    for (QAction *action : w.menuLook->actions())
        texts << action->text().remove('&');  // less the mnemonic marks
    EXPECT_EQ(texts, (QStringList{"0", "1", "2", "3", "4", "5", "6"})) << "no item for Style_7";
    ASSERT_NE(looks(), nullptr);
    EXPECT_EQ(looks()->items(), w.menuLook->actions());
    // Each item tells which look it is.
    for (int look = 0; look < LookMenu::ItemCount; ++look)
        EXPECT_EQ(item(look)->toolTip(), LookTheme::load(LookTheme::name(look))->title);
}

TEST_F(LookTest, TheFirstStartShowsStyle0AndMakesNoFile)
{
    start();
    QCoreApplication::processEvents();
    EXPECT_EQ(looks()->currentLook(), 0);
    expectApplied(0);
    EXPECT_TRUE(item(0)->isChecked());
    EXPECT_FALSE(QFile::exists(stylePath()));
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(" | ");
}

TEST_F(LookTest, AChosenLookAppliesAtOnceAndComesBackAfterARestart)
{
    start();
    item(4)->trigger();
    EXPECT_EQ(looks()->currentLook(), 4);
    expectApplied(4);
    EXPECT_TRUE(item(4)->isChecked());
    EXPECT_FALSE(item(0)->isChecked()) << "one check mark";
    EXPECT_EQ(readStyle(), "4");

    // Choosing the look in use again keeps its check mark.
    item(4)->trigger();
    EXPECT_TRUE(item(4)->isChecked());

    restart();
    EXPECT_EQ(looks()->currentLook(), 4);
    expectApplied(4);
    EXPECT_TRUE(item(4)->isChecked());
    item(2)->trigger();
    restart();
    EXPECT_EQ(looks()->currentLook(), 2);
    EXPECT_EQ(readStyle(), "2");
}

TEST_F(LookTest, StyleTxtAtStartAppliesItsLookOrStyle0AndSaysWhy)
{
    struct Case {
        QByteArray content;
        int look;
        const char *logged;  // nullptr: nothing logged
    };
    const Case cases[] = {
        {"4", 4, nullptr},
        {"7", 7, nullptr},
        {" 3\n", 3, nullptr},
        {"9", 0, "style.txt holds \"9\", not a look number from 0 to 7: Style_0 applied"},
        {"abc", 0, "style.txt holds \"abc\", not a look number from 0 to 7: Style_0 applied"},
        {"", 0, "style.txt holds no look number: Style_0 applied"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        writeStyle(c.content);
        restart();
        EXPECT_EQ(looks()->currentLook(), c.look);
        expectApplied(c.look);
        // Style_7 has no item, so no item is checked.
        for (int look = 0; look < LookMenu::ItemCount; ++look)
            EXPECT_EQ(item(look)->isChecked(), look == c.look) << "item " << look;
        EXPECT_EQ(logLines(), c.logged ? QStringList{c.logged} : QStringList{});
        EXPECT_EQ(readStyle(), c.content) << "not rewritten until the user chooses";
        EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    }
    // A choice replaces whatever the file held.
    writeStyle("abc");
    restart();
    item(6)->trigger();
    EXPECT_EQ(readStyle(), "6");
}

TEST_F(LookTest, ALookThatCannotBeSavedIsStillAppliedAndTheLogSaysWhy)
{
    start();
    // A folder in the file's place: the save fails, even for root.
    ASSERT_TRUE(QDir(documentsPath).mkpath("QUELM/style.txt"));
    item(3)->trigger();
    EXPECT_EQ(looks()->currentLook(), 3);
    expectApplied(3);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].startsWith("style.txt could not be written (")) << logLines()[0];
}

TEST_F(LookTest, ALookReachesTheParameterWindowAlreadyOpen)
{
    start();
    TformMain &w = *windows->formMain;
    TformFXsettings &fx = *windows->formFXsettings;
    w.show();
    w.effetto_cliccato(0);
    ASSERT_TRUE(fx.isVisible());
    // A display-only dial shows its value in the disabled highlight; all the
    // way round, its arc passes the top of the dial.
    RotaryDial *dial = fx.dialDry;
    ASSERT_FALSE(dial->isEnabled());
    dial->setAngle(-45);
    const QPoint top(dial->width() / 2, 4);
    for (int look : {3, 5, 1, 0}) {
        SCOPED_TRACE(look);
        item(look)->trigger();
        const QColor expected =
            LookTheme::load(LookTheme::name(look))->palette.color(QPalette::Disabled, QPalette::Highlight);
        EXPECT_EQ(dial->palette().color(QPalette::Disabled, QPalette::Highlight), expected);
        const QColor painted = dial->grab().toImage().pixelColor(top);
        EXPECT_EQ(painted.name(), expected.name());
    }
}

TEST_F(LookTest, WindowsKeepTheirFontsThroughEveryLook)
{
    start();
    TformMain &w = *windows->formMain;
    TformFXsettings &fx = *windows->formFXsettings;
    w.show();
    w.effetto_cliccato(0);
    // As first shown (made after start-up applied the look), then through
    // changes of look.
    for (int look : {-1, 1, 2, 6, 0}) {
        SCOPED_TRACE(look);
        if (look >= 0)
            looks()->applyLook(look);
        // The parameter window is drawn for an 11-pixel face; its tracking
        // group's controls, made inside a polished group, included.
        for (QWidget *control : fx.findChildren<QWidget *>()) {
            // Scroll bars show no text; drop-down lists open windows of their own.
            if (control->window() != &fx || qobject_cast<QScrollBar *>(control))
                continue;
            EXPECT_EQ(control->font().pixelSize(), 11) << control->metaObject()->className() << " "
                                                        << control->objectName().toStdString();
        }
        EXPECT_EQ(w.lblDeviceName->font().pointSizeF(), 11);
        EXPECT_EQ(w.btnRequest->font().pointSizeF(), 11);
        EXPECT_EQ(w.btnSetTuning->font().pointSizeF(), 10.5);
    }
}

TEST_F(LookTest, TheMainWindowsButtonsHoldTheirCaptionsInEveryLook)
{
    start();
    TformMain &w = *windows->formMain;
    w.show();
    const QList<QPushButton *> buttons{w.btnUpload, w.btnRequest, w.btnSaveParameters,
                                       w.btnAssign, w.btnSetFootswitchMode, w.btnSetTuning};
    for (int look = 0; look < LookTheme::Count; ++look) {
        SCOPED_TRACE(look);
        looks()->applyLook(look);
        for (QPushButton *button : buttons) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
            EXPECT_GE(button->height(), button->sizeHint().height()) << button->text().toStdString();
            EXPECT_EQ(button->size(), buttons.front()->size()) << "two columns of equal buttons";
        }
        // The effect list shows its entry whole.
        QListWidget *list = w.lstEffects;
        EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0));
    }
}
