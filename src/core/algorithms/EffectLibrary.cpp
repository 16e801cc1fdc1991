#include "algorithms/EffectLibrary.h"

#include "app/UserPrompts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

const QString kResourceFolder = QStringLiteral(":/algorithms");

// The resource path whose name matches without regard to case.
QString findResource(const QString &name)
{
    const QStringList entries = QDir(kResourceFolder).entryList(QDir::Files);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return kResourceFolder + QLatin1Char('/') + entry;
    return {};
}

}  // namespace

EffectLibrary::EffectLibrary(UserPrompts &prompts) : m_prompts(prompts) {}

std::optional<QByteArray> EffectLibrary::resourceBytes(const QString &name)
{
    const QString path = findResource(name);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool EffectLibrary::read_file_from_stream(const QString &resource_name)
{
    const QString path = findResource(resource_name);
    if (path.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("Error loading resource: Resource %1 not found")
                                  .arg(resource_name));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompts.showMessage(QStringLiteral("Error loading resource: ") + file.errorString());
        return false;
    }
    const QString text = QString::fromLatin1(file.readAll());
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // a final line break adds no line
    resource_lines = lines;
    return true;
}

QString EffectLibrary::format_resource_name(const QString &instring)
{
    QString name = instring;
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    name.replace(QLatin1Char('+'), QStringLiteral("plus"));
    name.replace(QLatin1Char('X'), QStringLiteral("mult"), Qt::CaseSensitive);
    return name;
}

int EffectLibrary::latestAlgorithmVersion(const QStringList &entries)
{
    if (entries.isEmpty())
        return 0;
    // Characters 13 to 17: a blank and four digits.
    bool ok = false;
    const int version = entries.first().mid(12, 5).trimmed().toInt(&ok, 10);
    return ok ? version : 0;
}
