#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The chosen look, kept in "style.txt" directly in the QUELM folder below the
// Documents folder: the look's number in decimal, UTF-8 without a byte-order
// mark and without a line end. The file exists only once the user has chosen
// a look; until then, and whenever it holds anything but a look number, the
// first look is the one to apply.
class LookPreference {
public:
    static constexpr const char *FileName = "style.txt";
    // Looks 0 to 7.
    static constexpr int LookCount = 8;

    // documents: the Documents folder; empty when the platform has none.
    explicit LookPreference(QString documents);

    // Documents/QUELM/style.txt
    QString filePath() const;

    // What start-up applies. `problem` is empty when the file is missing or
    // holds a look number; otherwise it says, for the log, why the first
    // look was taken instead. Reading never changes the file.
    struct Saved {
        int look = 0;
        QString problem;
    };
    Saved read() const;

    // Replaces the file through a temporary one, every step checked, so a
    // write that fails (on a full disk too) leaves the old choice whole. On
    // failure returns false and sets *error to a sentence for the log.
    bool write(int look, QString *error = nullptr) const;

    // A whole number 0..7 in decimal digits after trimming white space (a
    // leading UTF-8 byte-order mark is ignored); nullopt for anything else.
    static std::optional<int> parse(const QByteArray &content);

private:
    QString m_documents;
};
