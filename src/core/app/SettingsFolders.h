#pragma once

#include <QString>

class UserPrompts;

// The editor's settings folders below the user's Documents folder: "QUELM"
// and "QUELM/Sombrant MK3". An existing folder is left untouched; a folder
// that cannot be made is reported in a message box and start-up goes on.
class SettingsFolders {
public:
    static constexpr const char *FolderName = "QUELM";
    static constexpr const char *SubfolderName = "Sombrant MK3";

    // documents: the Documents folder; empty when the platform has none.
    SettingsFolders(QString documents, UserPrompts &prompts);

    // The platform's Documents folder (QStandardPaths), or an empty text.
    static QString platformDocumentsFolder();

    QString documents() const { return m_documents; }
    QString folderPath() const;     // Documents/QUELM
    QString subfolderPath() const;  // Documents/QUELM/Sombrant MK3

    // Both return true when the folder exists afterwards.
    bool CreateSettingsFolder(const QString &name);
    bool CreateSettingsSubfolder(const QString &name, const QString &subfolderName);

private:
    bool makeFolder(const QString &relative, const QString &errorPrefix);

    QString m_documents;
    UserPrompts &m_prompts;
};
