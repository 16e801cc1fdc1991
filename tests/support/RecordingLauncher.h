#pragma once

#include "updates/ProgramLauncher.h"

#include <QFileInfo>
#include <QList>
#include <QString>

// Records every program the code under test starts elevated, with its
// argument text, and starts nothing. As the operating system would, it
// reports a start only for a program file that exists.
class RecordingLauncher final : public ProgramLauncher {
public:
    struct Start {
        QString program;
        QString arguments;
        bool operator==(const Start &) const = default;
    };

    bool startElevated(const QString &program, const QString &arguments) override
    {
        starts << Start{program, arguments};
        return QFileInfo(program).isFile() && !refuseElevation;
    }

    QList<Start> starts;
    // The user says No at the elevation prompt.
    bool refuseElevation = false;
};
