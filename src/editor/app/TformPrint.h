#pragma once

#include "app/LogSink.h"

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

// The Debug Console: the in-memory log of everything sent and received, with
// "Clear", "UP" and the "scroll" box. Hidden at start; closing hides it again
// and keeps every line.
class TformPrint : public QWidget, public LogSink {
    Q_OBJECT
public:
    explicit TformPrint(QWidget *parent = nullptr);

    void PrintToConsole(const QString &text) override;
    void AppendConsoleLine(const QString &text) override;

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

private:
    void appendKeepingView(const QString &text);

    qsizetype m_lineCount = 0;
};
