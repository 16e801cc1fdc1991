#pragma once

#include <QString>

// The show-update-message preference: "ShowMessageVersionAtStartup.txt" in
// the settings subfolder (Documents/QUELM/Sombrant MK3), holding "YES" or
// "NO" as UTF-8 without a line end. Made with "YES" on the first start and
// afterwards only rewritten while it exists, never deleted or re-made.
class UpdatePreference {
public:
    static constexpr const char *FileName = "ShowMessageVersionAtStartup.txt";

    // subfolder: the settings subfolder, made by start-up before this reads.
    explicit UpdatePreference(const QString &subfolder);

    QString filePath() const { return m_path; }

    // Whether the new-version window opens. A missing file is made with
    // "YES" (true); "YES" and "NO" are recognised with white space around
    // them ignored, in the encoding a byte-order mark names, else UTF-8, else
    // the system's code page; anything else means true and is left as it is.
    // Only a regular file of a few bytes is read: a pipe, a device, a folder
    // or a long file means true unread.
    bool LoadShowUpdateMessagePreference();

    // Replaces the file's content by "YES" or "NO" when the file exists,
    // through a temporary file with every step checked; returns whether it
    // wrote. A write that fails leaves the file as it was and sets *error
    // (the path and what went wrong); a missing file is not an error.
    bool write(bool show, QString *error = nullptr);

private:
    QString m_path;
};
