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
    return saveTo(QFileInfo(withExtension(chosen)).absoluteFilePath(), values, Tell::Always);
}

bool PresetFile::save_preset_as(const QString &name, const Values &values, Tell tell)
{
    const QString problem = nameProblem(name);
    if (!problem.isEmpty()) {
        m_prompts.showMessage(QString::fromLatin1(RefusedNameText).arg(name, problem));
        return false;
    }
    const QString trimmed = name.trimmed();
    if (!makeFolders({m_folders.saveFolder()}))
        return false;
    const QString path = QDir(m_folders.saveFolder()).absoluteFilePath(withExtension(trimmed));
    // The save dialog asks before it replaces a file; so does a name typed here.
    if (QFileInfo::exists(path)
        && !m_prompts.askYesNo(QString::fromLatin1(ReplaceQuestion).arg(QFileInfo(path).completeBaseName())))
        return false;
    return saveTo(path, values, tell);
}

bool PresetFile::saveTo(const QString &path, const Values &values, Tell tell)
{
    QString error;
    if (!write(path, values, &error)) {
        m_prompts.showMessage(QStringLiteral("Error saving file: ") + error);
        return false;
    }
    m_folders.used(path);
    if (tell == Tell::Always)
        m_prompts.showMessage(QStringLiteral("File saved successfully: ") + QDir::toNativeSeparators(path));
    return true;
}

QString PresetFile::nameProblem(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("a name is needed");
    if (trimmed.size() > MaxNameLength)
        return QStringLiteral("a name has at most %1 characters").arg(MaxNameLength);
    if (trimmed.contains(QLatin1Char('/')) || trimmed.contains(QLatin1Char('\\')))
        return QStringLiteral("a name cannot hold / or \\; presets go to the preset folder");
    // Hidden on Unix, and so missing from the list.
    if (trimmed.startsWith(QLatin1Char('.')))
        return QStringLiteral("a name cannot start with a dot");
    // A preset is copied between systems: what one of them refuses in a
    // file name is refused here too.
    for (QChar c : trimmed) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"|?*").contains(c))
            return QStringLiteral("a name cannot hold %1")
                .arg(c.unicode() < 0x20 ? QStringLiteral("control characters") : QString(c));
    }
    return QString();
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
    return load_preset_from(chosen, text, Tell::Always);
}

std::optional<PresetFile::Values> PresetFile::load_preset_from(const QString &chosen, QString *text, Tell tell)
{
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
    if (tell == Tell::Always)
        m_prompts.showMessage(QStringLiteral("File loaded successfully: ") + QDir::toNativeSeparators(path));
    return values;
}
