#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class UserPrompts;

// The effects the editor carries: the effect list "octave" and the algorithm
// images, embedded as resources and looked up by name without regard to
// letter case.
class EffectLibrary {
public:
    static constexpr const char *EffectListName = "octave";

    explicit EffectLibrary(UserPrompts &prompts);

    // Loads the resource's text into resource_lines, line by line (CR LF, LF
    // or CR). On failure shows "Error loading resource: ..." and keeps the
    // previous lines.
    bool read_file_from_stream(const QString &resource_name);

    // Effect name → image resource name: blank and "-" become "_", "+"
    // becomes "plus", upper-case "X" becomes "mult".
    static QString format_resource_name(const QString &instring);

    // The version in the first entry ("Sombrant MK3 0010" → 10); 0 for an
    // empty list or an entry without a version, which never asks for an upload.
    static int latestAlgorithmVersion(const QStringList &entries);

    // The raw bytes of a resource, or nullopt when there is none.
    static std::optional<QByteArray> resourceBytes(const QString &name);

    QStringList resource_lines;
    QString selected_effect_name;

private:
    UserPrompts &m_prompts;
};
