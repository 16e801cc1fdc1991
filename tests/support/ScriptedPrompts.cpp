#include "ScriptedPrompts.h"

void ScriptedPrompts::showMessage(const QString &text)
{
    messages << text;
    boxes << text;
    if (onMessage)
        onMessage(text);
}

void ScriptedPrompts::showFailure(const QString &text, const QString &detail)
{
    failures << text;
    details << detail;
    messages << text;
    boxes << text + QStringLiteral("\n\n") + detail;
    if (onMessage)
        onMessage(text);
}

bool ScriptedPrompts::askYesNo(const QString &text)
{
    questions << text;
    if (yesNoAnswers.empty())
        return true;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::openFileName(const QString &caption, const QString &folder,
                                      const QString &filter, const FileDialogExtras &extras)
{
    dialogFolders << folder;
    dialogCaptions << caption;
    dialogFilters << filter;
    dialogExtras << extras;
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::saveFileName(const QString &caption, const QString &folder,
                                      const QString &filter, const FileDialogExtras &extras)
{
    return openFileName(caption, folder, filter, extras);
}
