#pragma once

#include "device/FtDriver.h"

#include <QString>

// What a failing driver call means to the guitarist, in plain words: what
// happened and what to do next. The driver's own label and status text go
// below it, for support.
class DriverFailureWords {
public:
    // The words for the call named by its label, failing with `status`.
    static QString forCall(const QString &label, FtStatus status);

    static constexpr const char *StoppedAnswering =
        "The pedal stopped answering. Check the USB cable and choose Connect again.";
};
