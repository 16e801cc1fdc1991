#pragma once

#include <QString>
#include <compare>
#include <optional>

// A version as the editor and the updater give theirs: the major number, a
// point and the minor number ("1.11"). Versions compare as numbers part by
// part, major first: 2.0 is newer than 1.11, and 1.9 older than 1.11.
struct VersionNumber {
    int major = 0;
    int minor = 0;

    // The text with white space around it (a trailing line end included)
    // ignored; nullopt for anything but digits, one point and digits.
    static std::optional<VersionNumber> parse(const QString &text);

    QString toString() const;

    auto operator<=>(const VersionNumber &) const = default;
};
