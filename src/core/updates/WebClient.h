#pragma once

#include "updates/WebAnswer.h"

#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

// Synchronous GETs on the vendor's web server. Each call runs a local event
// loop, without user input, until the answer is complete or the transfer
// time-out passes with nothing moving. Redirects are followed only on the
// same host, scheme and port. Every request names the editor and its version
// in its User-Agent.
class WebClient {
public:
    static constexpr int DefaultTransferTimeoutMs = 10'000;

    // base: the server's address (UpdateServer); empty means not configured,
    // and then nothing is ever requested.
    explicit WebClient(QString base, int transferTimeoutMs = DefaultTransferTimeoutMs);

    bool configured() const { return !m_base.isEmpty(); }
    QString base() const { return m_base; }
    QUrl address(const char *path) const;
    int transferTimeoutMs() const { return m_timeoutMs; }

    WebAnswer get(const char *path);

    // Streams the answer to path into fileName through a temporary file in
    // the same folder, renamed to fileName only when a 200 answer arrived
    // whole and every byte of it was written (CheckedFile); otherwise
    // fileName is left as it was and the temporary file is removed. false
    // with *error set ("HTTP 404 Not Found", a network error, or the file's
    // path and what went wrong) on failure.
    bool download(const char *path, const QString &fileName, QString *error);

    static QString userAgent();

private:
    QNetworkRequest request(const char *path) const;
    // Why a reply brought no answer; a time-out is named as such.
    QString failureText(class QNetworkReply *reply) const;

    QString m_base;
    int m_timeoutMs;
    QNetworkAccessManager m_manager;
};
