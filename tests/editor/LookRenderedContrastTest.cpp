// The looks as they are painted, not as their palettes read: every kind of
// control the editor shows, in each state a guitarist meets it in (an open
// list with its highlighted entry, hovered, pressed, focused, disabled),
// rendered offscreen in every look and measured from its pixels. Text must
// reach 4.5:1 against the surface it is drawn on (7:1 in High Contrast), and
// the marks that make out a control (focus rings, borders of entry fields,
// check boxes, dial arcs, switch tracks) 3:1 against the window.

#include "WcagContrast.h"
#include "params/ParameterControls.h"
#include "params/PresetBrowser.h"
#include "params/PresetFile.h"
#include "prefs/LookTheme.h"
#include "widgets/EditedMark.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr int HighContrastLook = 5;

using wcag::contrast;
using wcag::relativeLuminance;

// What a measurement found, for the failure message.
struct Measured {
    double ratio = 0;
    QColor fore;
    QColor back;
};

std::ostream &operator<<(std::ostream &out, const Measured &m)
{
    return out << m.fore.name().toStdString() << " on " << m.back.name().toStdString() << " = " << m.ratio;
}

// The colour that covers most of `area`: the surface text is drawn on.
QColor dominantColour(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return QColor::fromRgb(best);
}

// The pixel of `area` that stands out most from `back`.
Measured strongestAgainst(const QImage &image, const QRect &area, const QColor &back)
{
    Measured m{1.0, back, back};
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor pixel = QColor::fromRgb(image.pixel(x, y));
            const double ratio = contrast(pixel, back);
            if (ratio > m.ratio)
                m = {ratio, pixel, back};
        }
    }
    return m;
}

// Text in `area`: its strongest pixel against the surface around it. Text
// rendered with smoothing reaches its full colour in its stems.
Measured textIn(const QImage &image, const QRect &area)
{
    return strongestAgainst(image, area, dominantColour(image, area));
}

// A mark that appears between two pictures of the same control (a focus
// ring, a filled arc): the colour most of the changed pixels take, against
// `back`.
Measured changedMark(const QImage &before, const QImage &after, const QColor &back)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < std::min(before.height(), after.height()); ++y)
        for (int x = 0; x < std::min(before.width(), after.width()); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                ++counts[after.pixel(x, y) | 0xff000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    if (most < 0)
        return {1.0, back, back};
    const QColor mark = QColor::fromRgb(best);
    return {contrast(mark, back), mark, back};
}

class LookRenderedContrastTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(GetParam()));
        ASSERT_TRUE(theme.has_value());
        theme->apply();
        host = std::make_unique<QWidget>();
        host->resize(420, 260);
    }

    void TearDown() override { host.reset(); }

    double textMinimum() const { return GetParam() == HighContrastLook ? 7.0 : 4.5; }

    void showHost()
    {
        host->show();
        QApplication::setActiveWindow(host.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        // The window's own colour, read where nothing is drawn.
        window = QColor::fromRgb(shot().pixel(host->width() - 2, host->height() - 2));
    }

    // Shows the host with a button beside the control under test (at
    // `place`) holding the focus, as the keyboard leaves it elsewhere; the
    // button, to take the focus back.
    QPushButton *showWithFocusElsewhere(const QRect &place)
    {
        auto *other = new QPushButton(QStringLiteral("Other"), host.get());
        other->setGeometry(place);
        showHost();
        focus(other, true);
        return other;
    }

    // The host as painted, the area of `widget` cut out when one is given.
    QImage shot(QWidget *widget = nullptr)
    {
        QApplication::processEvents();
        const QRect area = widget ? QRect(widget->mapTo(host.get(), QPoint()), widget->size()) : host->rect();
        return host->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The widget focused, as the keyboard leaves it; or without focus.
    void focus(QWidget *widget, bool focused)
    {
        if (focused)
            widget->setFocus(Qt::TabFocusReason);
        else
            widget->clearFocus();
        QApplication::processEvents();
    }

    void hover(QWidget *widget, bool over)
    {
        widget->setAttribute(Qt::WA_UnderMouse, over);
        widget->update();
    }

    void expectText(const Measured &m, const char *what, double minimum = 0)
    {
        EXPECT_GE(m.ratio, minimum > 0 ? minimum : textMinimum()) << what << ": " << m;
    }

    void expectMark(const Measured &m, const char *what) { EXPECT_GE(m.ratio, 3.0) << what << ": " << m; }

    // A list row's text area, in the list's coordinates.
    static QRect rowRect(QListWidget *list, int row)
    {
        const QRect r = list->visualItemRect(list->item(row));
        return QRect(list->viewport()->mapTo(list, r.topLeft()), r.size()).adjusted(1, 1, -1, -1);
    }

    // With row 1 selected, the selected row and an unselected one read,
    // whether the list or `other` holds the focus.
    void expectRowsRead(QListWidget *list, QWidget *other)
    {
        list->setCurrentRow(1);
        for (bool focused : {false, true}) {
            SCOPED_TRACE(focused ? "list focused" : "list not focused");
            focus(focused ? static_cast<QWidget *>(list) : other, true);
            const QImage picture = shot(list);
            expectText(textIn(picture, rowRect(list, 1)), "selected row");
            expectText(textIn(picture, rowRect(list, 2)), "row");
        }
    }

    std::unique_ptr<QWidget> host;
    QColor window;
};

// Inside the frame, where only the caption is drawn.
QRect innerRect(QWidget *widget, int inset = 4) { return widget->rect().adjusted(inset, inset, -inset, -inset); }

}  // namespace

TEST_P(LookRenderedContrastTest, PushButtonsInEveryState)
{
    auto *button = new QPushButton(QStringLiteral("Request"), host.get());
    button->setGeometry(20, 20, 110, 33);
    showWithFocusElsewhere(QRect(20, 70, 110, 33));

    const QImage normal = shot(button);
    expectText(textIn(normal, innerRect(button)), "button");
    hover(button, true);
    expectText(textIn(shot(button), innerRect(button)), "hovered button");
    hover(button, false);
    button->setDown(true);
    expectText(textIn(shot(button), innerRect(button)), "pressed button");
    button->setDown(false);
    focus(button, true);
    const QImage focused = shot(button);
    expectText(textIn(focused, innerRect(button)), "focused button");
    expectMark(changedMark(normal, focused, window), "focus ring of a button");
    button->setEnabled(false);
    expectText(textIn(shot(button), innerRect(button)), "disabled button");
}

TEST_P(LookRenderedContrastTest, ClosedDropDownListsInEveryState)
{
    auto *list = new QComboBox(host.get());
    list->addItems({QStringLiteral("Standard (EADGBE)"), QStringLiteral("Drop D (DADGBE)")});
    list->setGeometry(20, 20, 140, 22);
    showWithFocusElsewhere(QRect(20, 70, 110, 33));
    // The caption, clear of the arrow.
    const QRect caption = list->rect().adjusted(4, 3, -22, -3);

    const QImage normal = shot(list);
    expectText(textIn(normal, caption), "drop-down list");
    hover(list, true);
    expectText(textIn(shot(list), caption), "hovered drop-down list");
    hover(list, false);
    focus(list, true);
    const QImage focused = shot(list);
    expectText(textIn(focused, caption), "focused drop-down list");
    expectMark(changedMark(normal, focused, window), "focus ring of a drop-down list");
    list->setEnabled(false);
    expectText(textIn(shot(list), caption), "disabled drop-down list");
}

TEST_P(LookRenderedContrastTest, OpenDropDownListsShowTheirHighlightedEntry)
{
    // The parameter window's lists: short ones and one that scrolls.
    auto *list = new QComboBox(host.get());
    for (int pitch = -12; pitch <= 12; ++pitch)
        list->addItem(pitch > 0 ? QStringLiteral("+%1").arg(pitch) : QString::number(pitch));
    list->setMaxVisibleItems(12);
    list->setGeometry(20, 20, 73, 22);
    list->setCurrentIndex(12);
    showHost();
    focus(list, true);

    list->showPopup();
    QAbstractItemView *view = list->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    // The entry under the mouse or reached by the arrow keys.
    const QModelIndex highlighted = list->model()->index(list->currentIndex() + 1, 0);
    view->setCurrentIndex(highlighted);
    QApplication::processEvents();
    QWidget *popup = view->window();
    const QImage picture = popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto entryRect = [&](const QModelIndex &index) {
        const QRect r = view->visualRect(index);
        // Clear of any frame the entry is drawn with.
        return QRect(view->viewport()->mapTo(popup, r.topLeft()), r.size()).adjusted(3, 3, -3, -3);
    };
    expectText(textIn(picture, entryRect(highlighted)), "highlighted entry of an open list");
    expectText(textIn(picture, entryRect(list->model()->index(list->currentIndex() + 3, 0))),
               "entry of an open list");
    list->hidePopup();
}

// Every entry of the parameter window's lists shows whole when its list is
// open, however narrow the closed list is drawn: its text ends clear of the
// entry's right edge.
TEST_P(LookRenderedContrastTest, OpenListsShowTheirEntriesWhole)
{
    host->resize(340, 520);
    ParameterControls controls;
    controls.setupControls(host.get());
    showHost();
    for (QComboBox *list : host->findChildren<QComboBox *>()) {
        SCOPED_TRACE(list->objectName().toStdString());
        list->setCurrentIndex(-1);  // no entry highlighted or checked
        list->showPopup();
        QAbstractItemView *view = list->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        for (int row = 0; row < list->count(); ++row) {
            const QModelIndex entry = list->model()->index(row, 0);
            view->scrollTo(entry);
            QApplication::processEvents();
            QWidget *popup = view->window();
            const QImage picture = popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
            // The part of the entry that shows.
            const QRect r = view->visualRect(entry) & view->viewport()->rect();
            const QRect area(view->viewport()->mapTo(popup, r.topLeft()), r.size());
            const QRgb surface = dominantColour(picture, area).rgb();
            int rightmost = area.left();
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if ((picture.pixel(x, y) | 0xff000000u) != (surface | 0xff000000u))
                        rightmost = std::max(rightmost, x);
            EXPECT_LT(rightmost, area.right() - 2) << list->itemText(row).toStdString();
        }
        list->hidePopup();
    }
}

TEST_P(LookRenderedContrastTest, ListRowsSelectedAndNot)
{
    auto *list = new QListWidget(host.get());
    list->addItems({QStringLiteral("Sombrant MK3 0010"), QStringLiteral("Sombrant MK3 0009"),
                    QStringLiteral("Sombrant MK3 0008")});
    list->setGeometry(20, 20, 160, 120);
    auto *other = new QPushButton(QStringLiteral("Other"), host.get());
    other->setGeometry(200, 20, 110, 33);
    showHost();
    expectRowsRead(list, other);
    list->setEnabled(false);
    expectText(textIn(shot(list), rowRect(list, 2)), "row of a disabled list");
}

// The preset list beside the parameter window, as it is built: its rows,
// selected and not, and the filter box's hint while it is empty.
TEST_P(LookRenderedContrastTest, PresetBrowserRowsAndFilterHint)
{
    QTemporaryDir documents;
    const PresetFolders folders(documents.path());
    ASSERT_TRUE(QDir().mkpath(folders.saveFolder()));
    for (const char *name : {"Fuzz Lead", "Clean", "Doom"})
        ASSERT_TRUE(PresetFile::write(QDir(folders.saveFolder()).filePath(name + QString(".txt")), {}, nullptr));
    auto *browser = new PresetBrowser(PresetCatalog(folders), host.get());
    browser->setGeometry(10, 0, PresetBrowser::PanelWidth, 250);
    QPushButton *other = showWithFocusElsewhere(QRect(250, 20, 110, 33));
    expectRowsRead(browser->list, other);
    expectText(textIn(shot(browser->filterBox), innerRect(browser->filterBox)), "filter hint");
    // The list watches its folders, and Windows removes no watched folder:
    // the browser goes before the temporary folder does.
    delete browser;
}

TEST_P(LookRenderedContrastTest, CheckBoxesAndRadioButtonsInEveryState)
{
    auto *check = new QCheckBox(QStringLiteral("Dominant Notes Cut"), host.get());
    check->setGeometry(20, 20, 150, 19);
    auto *radio = new QRadioButton(QStringLiteral("Change Preset"), host.get());
    radio->setGeometry(20, 50, 150, 19);
    QPushButton *other = showWithFocusElsewhere(QRect(200, 20, 110, 33));

    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{check, radio}) {
        SCOPED_TRACE(button->metaObject()->className());
        QStyleOptionButton option;
        option.initFrom(button);
        const bool isCheck = button == check;
        const QRect text = button->style()->subElementRect(
            isCheck ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, button);
        const QRect indicator = button->style()->subElementRect(
            isCheck ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option, button);

        for (bool checked : {false, true}) {
            SCOPED_TRACE(checked ? "checked" : "not checked");
            button->setChecked(checked);
            for (bool over : {false, true}) {
                hover(button, over);
                const QImage picture = shot(button);
                expectText(textIn(picture, text), over ? "hovered caption" : "caption");
                expectMark(strongestAgainst(picture, indicator, window), "box or ring");
            }
            hover(button, false);
        }
        const QImage normal = shot(button);
        focus(button, true);
        expectMark(changedMark(normal, shot(button), window), "focus mark");
        focus(other, true);
        button->setEnabled(false);
        expectText(textIn(shot(button), text), "disabled caption");
    }
}

TEST_P(LookRenderedContrastTest, EntryFieldsShowTheirBorderTextAndFocus)
{
    auto *edit = new QLineEdit(QStringLiteral("16383"), host.get());
    edit->setGeometry(20, 20, 80, 22);
    QPushButton *other = showWithFocusElsewhere(QRect(200, 20, 110, 33));
    // The frame's top and left edges, where the field meets the window.
    auto border = [&](const QImage &picture) {
        return strongestAgainst(picture, QRect(edit->width() / 2 - 1, 0, 3, 2), window);
    };

    const QImage normal = shot(edit);
    expectText(textIn(normal, innerRect(edit)), "entry field");
    expectMark(border(normal), "border of an entry field");
    focus(edit, true);
    const QImage focused = shot(edit);
    expectText(textIn(focused, innerRect(edit)), "focused entry field");
    expectMark(border(focused), "border of a focused entry field");
    focus(other, true);
    edit->setEnabled(false);
    expectText(textIn(shot(edit), innerRect(edit)), "disabled entry field");
}

TEST_P(LookRenderedContrastTest, MenusShowTheirHighlightedItem)
{
    QMenu menu;
    QAction *first = menu.addAction(QStringLiteral("Scan"));
    QAction *second = menu.addAction(QStringLiteral("Connect"));
    QAction *third = menu.addAction(QStringLiteral("Disconnect"));
    third->setEnabled(false);
    showHost();
    menu.popup(host->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.setActiveAction(second);
    QApplication::processEvents();
    const QImage picture = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto itemRect = [&](QAction *action) { return menu.actionGeometry(action).adjusted(2, 1, -2, -1); };
    expectText(textIn(picture, itemRect(second)), "highlighted menu item");
    expectText(textIn(picture, itemRect(first)), "menu item");
    expectText(textIn(picture, itemRect(third)), "disabled menu item");
    menu.hide();
}

TEST_P(LookRenderedContrastTest, DialsShowTheirArcAndFocus)
{
    auto *dial = new RotaryDial(host.get());
    dial->setGeometry(20, 20, 40, 40);
    showWithFocusElsewhere(QRect(200, 20, 110, 33));

    const QImage atMinimum = shot(dial);
    dial->setAngle(-45);
    const QImage atMaximum = shot(dial);
    expectMark(changedMark(atMinimum, atMaximum, window), "filled arc of a dial");
    focus(dial, true);
    expectMark(changedMark(atMaximum, shot(dial), window), "focus ring of a dial");

    // The value it shows while the mouse is over it.
    dial->setValueFormatter([](int) { return QStringLiteral("100%"); });
    QTest::mouseMove(host.get(), dial->geometry().center());
    auto *value = host->findChild<QLabel *>(QStringLiteral("rotaryDialValue"));
    ASSERT_TRUE(value && value->isVisible());
    expectText(textIn(shot(value), value->rect()), "value shown by a dial");
    QTest::mouseMove(host.get(), QPoint(host->width() - 5, host->height() - 5));

    // An indicator showing the pedal's value, disabled as the parameter
    // window keeps it: its arc and its needle.
    auto *gauge = new RotaryDial(host.get());
    gauge->setGeometry(90, 20, 40, 40);
    gauge->setDisplayOnly(true);
    gauge->setEnabled(false);
    gauge->show();
    const QImage empty = shot(gauge);
    gauge->setAngle(-45);
    expectMark(changedMark(empty, shot(gauge), window), "filled arc of an indicator");
    expectMark(strongestAgainst(shot(gauge), gauge->rect().adjusted(12, 12, -12, -12), window),
               "needle of an indicator");
}

TEST_P(LookRenderedContrastTest, SwitchesShowTheirStateAndFocus)
{
    auto *sw = new OnOffSwitch(host.get());
    sw->setGeometry(20, 20, 41, 21);
    showWithFocusElsewhere(QRect(200, 20, 110, 33));

    const QImage off = shot(sw);
    // Off, the switch still stands out from the window: its track's edge.
    expectMark(strongestAgainst(off, sw->rect(), window), "switch that is off");
    sw->setChecked(true);
    const QImage on = shot(sw);
    expectMark(changedMark(off, on, window), "track of a switch that is on");
    focus(sw, true);
    expectMark(changedMark(on, shot(sw), window), "focus ring of a switch");
}

// The dot that marks an edited value, beside a dial's caption, painted at
// twice the size as on a 2x screen: as large as a letter's stem is long, and
// 3:1 against the window.
TEST_P(LookRenderedContrastTest, EditedMarksReadAtTwiceTheSize)
{
    auto *caption = new QLabel(QStringLiteral("Input Level"), host.get());
    caption->setGeometry(20, 20, 80, 15);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *mark = new EditedMark(host.get());
    mark->placeBeside(caption);
    mark->show();
    showHost();

    QPixmap twice(host->size() * 2);
    twice.setDevicePixelRatio(2);
    host->render(&twice);
    const QImage image = twice.toImage().convertToFormat(QImage::Format_RGB32);
    const QRect area(mark->geometry().topLeft() * 2, mark->size() * 2);
    EXPECT_GE(area.width(), 12) << "device pixels across";
    expectMark(strongestAgainst(image, area, window), "edited mark");
    EXPECT_LT(mark->geometry().right(), caption->geometry().center().x() - caption->fontMetrics().horizontalAdvance(
                                                                                caption->text()) / 2)
        << "before the caption's text, not on it";
}

INSTANTIATE_TEST_SUITE_P(EveryLook, LookRenderedContrastTest, ::testing::Range(0, LookTheme::Count),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return "Style_" + std::to_string(info.param);
                         });
