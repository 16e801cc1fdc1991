#pragma once

#include "device/PedalResult.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class Communication;
class LogSink;
class PauseClock;
class UserPrompts;

// Uploads an effect algorithm to the pedal: the announcement 0D 00, a pause,
// the image in one write, and the pedal's short answer shown as text. The
// image is in hand before anything is sent, so a failed load sends nothing,
// and the upload holds the link until its answer has come or its wait ended.
class AlgorithmUpload {
public:
    // After the announcement the pedal needs this long to get ready.
    static constexpr int AnnouncementPauseMs = 400;
    // Without an answer after this long the upload has failed...
    static constexpr int FailedAfterMs = 5000;
    // ...and after this long nobody waits for one any more.
    static constexpr int AnswerLimitMs = 30000;
    // An image fills at most the transport's output buffer.
    static constexpr int MaxImageBytes = 65536;
    // The status line shows this much of the answer.
    static constexpr int ShownAnswerBytes = 17;

    // What the window shows while the upload runs.
    struct Observer {
        std::function<void()> waiting;                     // the answer's wait starts
        std::function<void(const QString &)> showStatus;   // "Uploading...", the answer so far
        std::function<bool()> givenUp;                     // true: stop waiting for the answer now
    };

    AlgorithmUpload(Communication &communication, LogSink &log, UserPrompts &prompts,
                    PauseClock &clock);

    // Announcement of a bulk upload (algorithm image or tuning data): 0D 00,
    // written as it is, without a purge.
    void send_upload_announcement();

    // The carried image of a listed effect, logged as it is loaded; Refused
    // when none is chosen (the user is told to choose one) or it cannot be
    // loaded (the library has said why).
    PedalResultOf<QByteArray> carriedImage(const QString &effectName);
    // A file's bytes, logged ("Opening - "); Refused with a message when it
    // is not a regular file, cannot be read, is empty or is larger than
    // MaxImageBytes (refused unread). A file whose first three bytes do not
    // give its own length is offered with a question: Declined ("Nothing
    // uploaded") when the user says No.
    PedalResultOf<QByteArray> fileImage(const QString &path);
    // Whether the first three bytes (big-endian) give the length of the whole.
    static bool looksLikeImage(const QByteArray &bytes);
    // The pedal's bytes as text that is safe to show on a terminal or a
    // label: control bytes other than CR and LF (and DEL and the C1 range)
    // are written as \xHH, so an answer cannot move a cursor, retitle a
    // window or ring a bell; a backslash is written as \\.
    static QString shownText(const QByteArray &bytes);

    // Asks "Upload the selected algorithm?", purges what waits in the
    // receive queue, announces, pauses, writes the image in one write and
    // waits up to answerLimitMs for the answer. fromFile logs the bytes sent
    // and each read, as the file upload always has.
    //
    // Done when the pedal answered (answer holds its bytes); Declined
    // ("Nothing uploaded") on No; Failed when another exchange holds the
    // link, the driver failed (its box was shown), or nothing came within
    // the wait ("Upload Failed: the pedal did not answer within N s",
    // logged but not yet told).
    PedalResult upload(const QByteArray &image, bool fromFile, const Observer &observer,
                       int answerLimitMs = AnswerLimitMs);
    // The announcement went out in the last upload: from then on the pedal
    // may run another algorithm, whatever came of the rest.
    bool announced = false;

    // The answer's bytes, all pieces in order, as they came (shownText() to
    // show them).
    QByteArray answer;

private:
    // Refused, the reason shown.
    PedalResult refuse(const QString &why);
    PedalResult awaitAnswer(bool fromFile, const Observer &observer, int answerLimitMs);
    // Failed: no answer since the wait began at `since`.
    PedalResult silence(std::int64_t since);
    // Failed, in the driver's words (its box was shown).
    PedalResult failure() const;

    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
    // When the wait for the answer began (the watchdog starts then).
    std::int64_t m_waitStart = 0;
};
