#pragma once

#include <QByteArray>
#include <QString>

// What one GET brought back: an HTTP answer of any status, or, when none
// came (no network, unknown host, time-out, a 200 answer that broke off),
// why not.
struct WebAnswer {
    bool answered = false;  // a status line arrived, and for 200 the whole body
    int status = 0;         // the HTTP status code, when answered
    QString statusText;     // its reason phrase ("Not Found")
    QByteArray body;        // the body of a 200 answer
    bool tooLong = false;   // a 200 answer longer than WebClient::MaxAnswerBytes; body empty
    QString error;          // why nothing was answered, when !answered
};
