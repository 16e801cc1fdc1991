#pragma once

#include "app/UserPrompts.h"

// Prompts for benchmarks: nobody answers. A message is kept (the last one,
// for a benchmark that must stop with its reason), a question answers
// `answer`, and file dialogs are cancelled.
class QuietPrompts final : public UserPrompts {
public:
    explicit QuietPrompts(bool answer = false) : m_answer(answer) {}

    void showMessage(const QString &text) override { lastMessage = text; }
    void showFailure(const QString &text, const QString &detail) override
    {
        lastMessage = text + QLatin1Char('\n') + detail;
    }
    bool askYesNo(const QString &) override { return m_answer; }
    QString openFileName(const QString &, const QString &, const QString &, const FileDialogExtras &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &, const FileDialogExtras &) override
    {
        return {};
    }

    QString lastMessage;

private:
    bool m_answer;
};
