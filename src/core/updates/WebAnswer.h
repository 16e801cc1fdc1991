#pragma once

#include <QByteArray>
#include <QString>

// What one GET brought back: an HTTP answer of any status, or, when none
// came (no network, unknown host, time-out), why not.
struct WebAnswer {
    bool answered = false;  // a status line arrived
    int status = 0;         // the HTTP status code, when answered
    QString statusText;     // its reason phrase ("Not Found")
    QByteArray body;
    QString error;          // why nothing was answered, when !answered
};
