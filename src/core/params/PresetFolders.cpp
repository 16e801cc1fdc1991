#include "params/PresetFolders.h"

#include "app/SettingsFolders.h"

#include <QDir>
#include <QFileInfo>

PresetFolders::PresetFolders(QString documents) : m_documents(std::move(documents)) {}

QString PresetFolders::saveFolder() const
{
    return QDir(m_documents).filePath(QStringLiteral("%1/sombrant_mk3_folder/Preset")
                                          .arg(QString::fromLatin1(SettingsFolders::FolderName)));
}

QString PresetFolders::openFolder() const
{
    return QDir(m_documents).filePath(QStringLiteral("%1/%2/Preset")
                                          .arg(QString::fromLatin1(SettingsFolders::FolderName),
                                               QString::fromLatin1(SettingsFolders::SubfolderName)));
}

QStringList PresetFolders::both() const
{
    return {saveFolder(), openFolder()};
}

QString PresetFolders::startFolder() const
{
    // A folder removed since (a USB stick taken out) is no place to start.
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    return saveFolder();
}

void PresetFolders::used(const QString &filePath)
{
    m_lastFolder = QFileInfo(filePath).absolutePath();
}
