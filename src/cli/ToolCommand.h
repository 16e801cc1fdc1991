#pragma once

#include <QList>
#include <QString>

class Invocation;

// One row of the command table: a command's name, its usage as --help shows
// it, what its usage errors say, the checks of its options and arguments and
// its handler. The checks run before the handler, and the handler checks the
// values before it opens the pedal.
struct ToolCommand {
    // One way of calling the command, as a --help line: "set NAME VALUE" and
    // its description, wrapped beforehand at the help's width.
    struct Form {
        QString synopsis;
        QStringList description;
    };

    QString name;
    QList<Form> forms;
    // What the command takes, as its usage error words it after "NAME takes":
    // "NAME VALUE, for example: set \"Input Level\" 512".
    QString takes;
    // The complaint about an option the command does not take, or an empty
    // text; none when the command has no such option to refuse.
    QString (*optionError)(const Invocation &) = nullptr;
    // Whether the positional arguments have the command's shape.
    bool (*argumentsFit)(const Invocation &) = nullptr;
    // Runs the command: the tool's exit status.
    int (*run)(const Invocation &) = nullptr;

    // "set takes NAME VALUE, for example: set \"Input Level\" 512."
    QString usageError() const;
    // The same with the argument that does not fit: "store takes NAME=VALUE
    // pairs, not \"x\"."
    QString usageError(const QString &argument) const;
    // The command's lines in --help: the synopsis, then the description from
    // the help's description column, on the synopsis's line when it fits.
    QString helpText() const;
};
