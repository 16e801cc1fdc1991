#pragma once

#include "updates/WebAnswer.h"

#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkReply;

// Synchronous GETs on the vendor's web server. Each call runs a local event
// loop, without user input, until the answer is complete, the transfer
// time-out passes with nothing moving, or the call's deadline passes, however
// the server keeps bytes coming. Bodies are read as they arrive and only up
// to a bound: a version is a few bytes, the updater at most a few MiB. Past a
// bound or a deadline the reply is aborted, so nothing more is read.
// Redirects are followed only on the same host, scheme and port. Every
// request names the editor and its version in its User-Agent.
class WebClient {
public:
    static constexpr int DefaultTransferTimeoutMs = 10'000;
    // A version answer takes a few bytes; the editor's window waits for it.
    static constexpr int DefaultAnswerDeadlineMs = 5'000;
    static constexpr int DefaultDownloadDeadlineMs = 300'000;
    // The largest version answer: more is not a version.
    static constexpr qint64 MaxAnswerBytes = 64;
    static constexpr qint64 DefaultMaxDownloadBytes = 64 * 1024 * 1024;

    struct Limits {
        // Without a byte moving (QNetworkRequest::setTransferTimeout).
        int transferTimeoutMs = DefaultTransferTimeoutMs;
        // For the whole of get() and of download(), from the request on.
        int answerDeadlineMs = DefaultAnswerDeadlineMs;
        int downloadDeadlineMs = DefaultDownloadDeadlineMs;
        qint64 maxDownloadBytes = DefaultMaxDownloadBytes;
    };

    // base: the server's address (UpdateServer); empty means not configured,
    // and then nothing is ever requested.
    explicit WebClient(QString base, int transferTimeoutMs = DefaultTransferTimeoutMs);
    WebClient(QString base, const Limits &limits);

    bool configured() const { return !m_base.isEmpty(); }
    QString base() const { return m_base; }
    QUrl address(const char *path) const;
    int transferTimeoutMs() const { return m_limits.transferTimeoutMs; }
    const Limits &limits() const { return m_limits; }

    // A 200 answer's body longer than MaxAnswerBytes is not kept: the answer
    // says tooLong. A 200 answer that broke off counts as no answer. The body
    // of any other answer is read and dropped.
    WebAnswer get(const char *path);

    // Streams the answer to path into fileName through a temporary file in
    // the same folder, renamed to fileName only when a 200 answer arrived
    // whole, within the deadline and the byte bound, and every byte of it was
    // written (CheckedFile); otherwise fileName is left as it was and the
    // temporary file is removed. false with *error set ("HTTP 404 Not Found",
    // a network error, a deadline or bound passed, or the file's path and
    // what went wrong) on failure.
    bool download(const char *path, const QString &fileName, QString *error);

    static QString userAgent();

private:
    // Why a transfer was given up by us rather than by the network.
    enum class Stop { None, Deadline, TooLong };

    QNetworkRequest request(const char *path) const;
    Stop transfer(QNetworkReply *reply, int deadlineMs, qint64 maxBytes,
                  const std::function<void(const QByteArray &)> &keep);
    // Why a reply brought no answer; a time-out is named as such.
    QString failureText(QNetworkReply *reply, Stop stop, int deadlineMs) const;

    QString m_base;
    Limits m_limits;
    QNetworkAccessManager m_manager;
};
