#include "params/PresetFile.h"

#include "app/BoundedFile.h"
#include "app/CheckedFile.h"
#include "app/UserPrompts.h"
#include "device/HexText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QByteArray ByteOrderMark("\xEF\xBB\xBF", 3);

bool isHexLine(const QByteArray &line)
{
    if (line.size() != 8)
        return false;
    for (char c : line) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

}  // namespace

PresetFile::PresetFile(QString documents, UserPrompts &prompts)
    : m_folders(std::move(documents)), m_prompts(prompts)
{
}

QString PresetFile::presetText(const Values &values)
{
    QStringList lines;
    for (std::uint32_t v : values)
        lines << hexDigits(v, 8);
    return lines.join(QLatin1Char('\r'));
}

QByteArray PresetFile::presetBytes(const Values &values)
{
    return ByteOrderMark + presetText(values).toUtf8();
}

std::optional<PresetFile::Values> PresetFile::parse(const QByteArray &bytes, int *badLine)
{
    QByteArray body = bytes.startsWith(ByteOrderMark) ? bytes.mid(3) : bytes;
    body.replace("\r\n", "\n");
    body.replace('\r', '\n');
    QList<QByteArray> lines = body.split('\n');
    if (lines.size() == ParameterSlotCount + 1 && lines.last().isEmpty())
        lines.removeLast();  // the final line end
    Values values{};
    for (int i = 0; i < ParameterSlotCount; ++i) {
        if (i >= lines.size() || !isHexLine(lines.at(i))) {
            if (badLine)
                *badLine = i + 1;
            return std::nullopt;
        }
        values[std::size_t(i)] = lines.at(i).toUInt(nullptr, 16);
    }
    if (lines.size() > ParameterSlotCount) {
        if (badLine)
            *badLine = ParameterSlotCount + 1;
        return std::nullopt;
    }
    return values;
}

std::optional<PresetFile::Values> PresetFile::readFile(const QString &path, QString *error, QByteArray *bytes)
{
    const QString shown = QDir::toNativeSeparators(path);
    const BoundedFile file(path, MaxFileBytes);
    QString why;
    std::optional<Values> values;
    int badLine = 0;
    if (file.outcome() == BoundedFile::Outcome::TooLarge)
        why = QStringLiteral("Not a preset file: %1 (%2)").arg(shown, file.errorString());
    else if (!file.ok())
        why = QStringLiteral("Error loading file: %1: %2").arg(shown, file.errorString());
    else if (!(values = parse(file.bytes(), &badLine)))
        why = QStringLiteral("Not a preset file: %1 (line %2)").arg(shown).arg(badLine);
    if (error)
        *error = why;
    if (bytes)
        *bytes = file.bytes();
    return values;
}

QString PresetFile::withExtension(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) ? fileName
                                                                          : fileName + QStringLiteral(".txt");
}

bool PresetFile::write(const QString &path, const Values &values, QString *error)
{
    return CheckedFile::write(path, presetBytes(values), error);
}

bool PresetFile::makeFolders(const QStringList &folders)
{
    for (const QString &path : folders) {
        if (!QDir().mkpath(path)) {
            m_prompts.showMessage(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(path)));
            return false;
        }
    }
    return true;
}

FileDialogExtras PresetFile::dialogExtras() const
{
    return FileDialogExtras{QStringLiteral("txt"), m_folders.both()};
}

bool PresetFile::save_preset_file(const Values &values)
{
    // Its own folder, as always, and the one it starts in.
    const QString start = m_folders.startFolder();
    if (!makeFolders({m_folders.saveFolder(), start}))
        return false;
    const QString chosen = m_prompts.saveFileName(QStringLiteral("Save Preset File"), start,
                                                  QString::fromLatin1(Filter), dialogExtras());
    if (chosen.isEmpty())
        return false;
    const QString path = QFileInfo(withExtension(chosen)).absoluteFilePath();
    QString error;
    if (!write(path, values, &error)) {
        m_prompts.showMessage(QStringLiteral("Error saving file: ") + error);
        return false;
    }
    m_folders.used(path);
    m_prompts.showMessage(QStringLiteral("File saved successfully: ") + QDir::toNativeSeparators(path));
    return true;
}

std::optional<PresetFile::Values> PresetFile::open_preset_file(QString *text)
{
    const QString start = m_folders.startFolder();
    if (!makeFolders({m_folders.openFolder(), start}))
        return std::nullopt;
    const QString chosen = m_prompts.openFileName(QStringLiteral("Open Preset File"), start,
                                                  QString::fromLatin1(Filter), dialogExtras());
    if (chosen.isEmpty())
        return std::nullopt;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    QByteArray bytes;
    QString error;
    const std::optional<Values> values = readFile(path, &error, &bytes);
    if (!values) {
        m_prompts.showMessage(error);
        return std::nullopt;
    }
    if (text) {
        // The file's own lines, each ended by CR LF.
        QStringList lines = QString::fromUtf8(bytes.startsWith(ByteOrderMark) ? bytes.mid(3) : bytes)
                                .split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        *text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    }
    m_folders.used(path);
    m_prompts.showMessage(QStringLiteral("File loaded successfully: ") + QDir::toNativeSeparators(path));
    return values;
}
