#pragma once

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

    enum class Outcome {
        Cancelled,  // the user said No; nothing was sent
        Busy,       // another exchange holds the link; nothing was sent
        Answered,   // the pedal answered (answer holds its bytes)
        NoAnswer,   // nothing came within the wait
        Failed,     // the driver failed; its box was shown
    };

    // What the window shows while the upload runs.
    struct Observer {
        std::function<void()> waiting;                     // the answer's wait starts
        std::function<void(const QString &)> showStatus;   // "Uploading...", the answer so far
    };

    AlgorithmUpload(Communication &communication, LogSink &log, UserPrompts &prompts,
                    PauseClock &clock);

    // Announcement of a bulk upload (algorithm image or tuning data): 0D 00,
    // written as it is, without a purge.
    void send_upload_announcement();

    // The carried image of a listed effect, logged as it is loaded; nullopt
    // when none is chosen (the user is told to choose one) or it cannot be
    // loaded (the library has said why).
    std::optional<QByteArray> carriedImage(const QString &effectName);
    // A file's bytes, logged ("Opening - "); nullopt with a message when it
    // is not a regular file, cannot be read, is empty or is larger than
    // MaxImageBytes (refused unread). A file whose
    // first three bytes do not give its own length is offered with a
    // question, and nullopt when the user declines.
    std::optional<QByteArray> fileImage(const QString &path);
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
    Outcome upload(const QByteArray &image, bool fromFile, const Observer &observer,
                   int answerLimitMs = AnswerLimitMs);

    // The answer's bytes, all pieces in order, as they came (shownText() to
    // show them).
    QByteArray answer;

private:
    Outcome awaitAnswer(bool fromFile, const Observer &observer, int answerLimitMs);

    Communication &m_communication;
    LogSink &m_log;
    UserPrompts &m_prompts;
    PauseClock &m_clock;
};
