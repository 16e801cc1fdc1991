#pragma once

#include "app/LogSink.h"

#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QPlainTextEdit;
class QSpacerItem;
class QPushButton;

// The Debug Console: the in-memory log of everything sent and received, with
// "Clear", "UP" and the "scroll" box. Hidden at start; closing hides it again
// and keeps every line. It opens with the keyboard in the log; Escape closes
// it.
class TformPrint : public QWidget, public LogSink {
    Q_OBJECT
public:
    explicit TformPrint(QWidget *parent = nullptr);

    void PrintToConsole(const QString &text) override;
    void AppendConsoleLine(const QString &text) override;
    // The lines in one insertion and one scroll: a whole EEPROM dump lists
    // 16,384 of them.
    void PrintLinesToConsole(const QStringList &lines) override;

    // Puts the developer tools beside the log controls and in the room kept
    // for them above the log.
    void addDeveloperTools(QWidget *beside, QWidget *below);

    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *btnClear = nullptr;
    QPushButton *btnScrollTop = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    bool console_auto_scroll = false;

public slots:
    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change(bool checked);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void appendKeepingView(const QString &text, qsizetype lines = 1);
    void scrollToEnd();

    qsizetype m_lineCount = 0;
    QBoxLayout *m_tools = nullptr;
    QBoxLayout *m_layout = nullptr;
    QSpacerItem *m_toolsRoom = nullptr;
};
