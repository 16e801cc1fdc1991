#include "app/TformPrint.h"

#include "prefs/WindowAccessible.h"
#include "prefs/WindowPlacement.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QShowEvent>
#include <QTextCursor>
#include <QVBoxLayout>

TformPrint::TformPrint(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formPrint"));
    setWindowTitle(QStringLiteral("Debug Console"));
    WindowAccessible::installFactory();

    btnClear = new QPushButton(QStringLiteral("Clear"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    btnScrollTop = new QPushButton(QStringLiteral("UP"), this);
    btnScrollTop->setObjectName(QStringLiteral("btnScrollTop"));
    CheckBox1 = new QCheckBox(QStringLiteral("scroll"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Names for what the short captions do not say.
    Memo1->setAccessibleName(QStringLiteral("Log"));
    btnScrollTop->setAccessibleName(QStringLiteral("Scroll to the first line"));
    CheckBox1->setAccessibleName(QStringLiteral("Scroll to each new line"));

    auto *tools = new QHBoxLayout;
    tools->addWidget(btnClear);
    tools->addWidget(btnScrollTop);
    tools->addWidget(CheckBox1);
    tools->addStretch(1);
    m_tools = tools;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 5, 8, 8);
    layout->addLayout(tools);
    // Room for the developer tools above the log.
    m_toolsRoom = new QSpacerItem(0, 40, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout->addItem(m_toolsRoom);
    layout->addWidget(Memo1, 1);
    m_layout = layout;
    resize(506, 676);
    // Designed at the right edge of a large screen: on a smaller or scaled
    // one the console is brought into the available area, no taller than it,
    // each time it is shown.
    move(1075, 0);
    WindowPlacement::placeOnShow(this);

    connect(btnClear, &QPushButton::clicked, this, &TformPrint::btnClearClick);
    connect(btnScrollTop, &QPushButton::clicked, this, &TformPrint::btnScrollTopClick);
    connect(CheckBox1, &QCheckBox::toggled, this, &TformPrint::CheckBox1Change);

    // Auto-scroll starts on, in step with the ticked box.
    CheckBox1->setChecked(true);
    console_auto_scroll = true;
}

void TformPrint::showEvent(QShowEvent *event)
{
    // The keyboard starts in the log, where Space and the arrows only move
    // the view: never on Clear.
    if (!event->spontaneous())
        Memo1->setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
}

void TformPrint::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the console, from any of its controls that leaves the
    // key alone; the log is kept.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TformPrint::addDeveloperTools(QWidget *beside, QWidget *below)
{
    m_tools->addWidget(beside);
    if (m_toolsRoom) {
        m_layout->removeItem(m_toolsRoom);
        delete m_toolsRoom;
        m_toolsRoom = nullptr;
    }
    m_layout->insertWidget(1, below);
}

void TformPrint::appendKeepingView(const QString &text, qsizetype lines)
{
    // QPlainTextEdit follows appended text when its view is at the bottom;
    // the log must not move unless asked to, so the view is put back.
    QScrollBar *vertical = Memo1->verticalScrollBar();
    QScrollBar *horizontal = Memo1->horizontalScrollBar();
    const int top = vertical->value();
    const int left = horizontal->value();
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    // An empty document already has its first (empty) line; an empty text
    // written first must still count as a line of its own.
    if (m_lineCount > 0)
        cursor.insertBlock();
    // Each '\n' of a batch becomes a line of its own.
    cursor.insertText(text);
    m_lineCount += lines;
    vertical->setValue(top);
    horizontal->setValue(left);
}

void TformPrint::PrintToConsole(const QString &text)
{
    appendKeepingView(text);
    scrollToEnd();
}

void TformPrint::PrintLinesToConsole(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    appendKeepingView(lines.join(QLatin1Char('\n')), lines.size());
    scrollToEnd();
}

void TformPrint::scrollToEnd()
{
    if (console_auto_scroll) {
        // Straight to the end: an animation per line would make long
        // listings (an EEPROM dump writes a line per byte) crawl.
        Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
        Memo1->horizontalScrollBar()->setValue(0);
    }
}

void TformPrint::AppendConsoleLine(const QString &text)
{
    appendKeepingView(text);
}

void TformPrint::btnClearClick()
{
    Memo1->clear();
    m_lineCount = 0;
}

void TformPrint::btnScrollTopClick()
{
    Memo1->verticalScrollBar()->setValue(0);
}

void TformPrint::CheckBox1Change(bool checked)
{
    console_auto_scroll = checked;
}
