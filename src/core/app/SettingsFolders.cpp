#include "app/SettingsFolders.h"

#include "app/UserPrompts.h"

#include <QDir>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

SettingsFolders::SettingsFolders(QString documents, UserPrompts &prompts)
    : m_documents(std::move(documents)), m_prompts(prompts)
{
}

QString SettingsFolders::platformDocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString SettingsFolders::folderPath() const
{
    return QDir(m_documents).filePath(QString::fromLatin1(FolderName));
}

QString SettingsFolders::subfolderPath() const
{
    return QDir(folderPath()).filePath(QString::fromLatin1(SubfolderName));
}

bool SettingsFolders::CreateSettingsFolder(const QString &name)
{
    return makeFolder(name, QStringLiteral("Error creating folder: "));
}

bool SettingsFolders::CreateSettingsSubfolder(const QString &name, const QString &subfolderName)
{
    return makeFolder(name + QLatin1Char('/') + subfolderName,
                      QStringLiteral("Error creating subfolder: "));
}

bool SettingsFolders::makeFolder(const QString &relative, const QString &errorPrefix)
{
    if (m_documents.isEmpty()) {
        m_prompts.showMessage(errorPrefix + QStringLiteral("no Documents folder was found"));
        return false;
    }
    const QString path = QDir::toNativeSeparators(QDir(m_documents).filePath(relative));
    // From UTF-16, which the library turns into the system's file names on
    // every platform; from wide characters it would go through the C++
    // locale, which is "C" and refuses anything beyond ASCII on Linux.
    const std::filesystem::path fsPath(path.toStdU16String());
    std::error_code ec;
    if (std::filesystem::is_directory(fsPath, ec))
        return true;
    std::filesystem::create_directories(fsPath, ec);
    if (!ec && std::filesystem::is_directory(fsPath, ec))
        return true;
    const QString reason = ec ? QString::fromLocal8Bit(ec.message().c_str())
                              : QStringLiteral("a file is in the way");
    m_prompts.showMessage(errorPrefix + QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason);
    return false;
}
