#include "params/PresetCatalog.h"

#include "params/PresetFile.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

bool newerFirst(const PresetEntry &a, const PresetEntry &b)
{
    if (a.modified != b.modified)
        return a.modified > b.modified;
    // Stable sorting keeps folder order for names equal in every letter.
    const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
    return byName != 0 ? byName < 0 : a.name < b.name;
}

bool isPreset(const QFileInfo &info)
{
    // QFileInfo follows a link: a link to a regular file passes, one to
    // anything else, or to nothing, does not.
    return info.isFile() && info.suffix().compare(QStringLiteral("txt"), Qt::CaseInsensitive) == 0
           && info.size() <= PresetFile::MaxFileBytes;
}

}  // namespace

PresetCatalog::PresetCatalog(PresetFolders folders) : m_folders(std::move(folders)) {}

QList<PresetEntry> PresetCatalog::scan(bool *capped) const
{
    QList<PresetEntry> entries;
    bool leftOut = false;
    for (const QString &folder : m_folders.both()) {
        // Without QDir::System, pipes, sockets, devices and broken links are
        // not listed at all; without QDir::Hidden, neither are dot files.
        QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot);
        for (int looked = 0; it.hasNext(); ++looked) {
            if (looked == MaxScanned) {
                leftOut = true;
                break;
            }
            const QFileInfo info = it.nextFileInfo();
            if (isPreset(info))
                entries.append({info.completeBaseName(), info.absoluteFilePath(), info.lastModified()});
        }
    }
    std::stable_sort(entries.begin(), entries.end(), newerFirst);
    if (entries.size() > MaxEntries) {
        entries.resize(MaxEntries);
        leftOut = true;
    }
    if (capped)
        *capped = leftOut;
    return entries;
}

QList<PresetEntry> PresetCatalog::filtered(const QList<PresetEntry> &entries, const QString &text)
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return entries;
    QList<PresetEntry> kept;
    for (const PresetEntry &entry : entries) {
        if (entry.name.contains(wanted, Qt::CaseInsensitive))
            kept.append(entry);
    }
    return kept;
}
