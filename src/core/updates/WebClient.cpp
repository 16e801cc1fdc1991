#include "updates/WebClient.h"

#include "app/CheckedFile.h"
#include "app/EditorVersion.h"
#include "updates/UpdateServer.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>

namespace {

// What Qt may hold of a reply before we read it: an answer that arrives
// faster than it is read waits in the socket, not in memory.
constexpr qint64 ReadBufferBytes = 64 * 1024;

int statusOf(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

QString statusTextOf(QNetworkReply *reply)
{
    return QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 MiB = 1024 * 1024;
    if (bytes >= MiB && bytes % MiB == 0)
        return QStringLiteral("%1 MiB").arg(bytes / MiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

}  // namespace

WebClient::WebClient(QString base, int transferTimeoutMs)
    : WebClient(std::move(base), Limits{transferTimeoutMs})
{
}

WebClient::WebClient(QString base, const Limits &limits) : m_base(std::move(base)), m_limits(limits)
{
}

QUrl WebClient::address(const char *path) const
{
    return UpdateServer::address(m_base, path);
}

QString WebClient::userAgent()
{
    return QStringLiteral("Sombrant Editor/") + GetEditorVersion();
}

QNetworkRequest WebClient::request(const char *path) const
{
    QNetworkRequest request(address(path));
    request.setTransferTimeout(m_limits.transferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    return request;
}

// Waits for the reply without letting the user act: the request is
// synchronous for the window that asked. The body of a 200 answer goes to
// keep as it arrives, at most maxBytes of it; the body of any other answer is
// read and dropped. The reply is aborted when the deadline passes or the body
// passes maxBytes, declared or counted, so that nothing more is read.
WebClient::Stop WebClient::transfer(QNetworkReply *reply, int deadlineMs, qint64 maxBytes,
                                    const std::function<void(const QByteArray &)> &keep)
{
    Stop stop = Stop::None;
    qint64 kept = 0;
    const auto giveUp = [&](Stop why) {
        if (stop != Stop::None)
            return;
        stop = why;
        reply->abort();
    };
    const auto checkDeclared = [&] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if (stop == Stop::None && statusOf(reply) == 200 && declared.isValid()
            && declared.toLongLong() > maxBytes)
            giveUp(Stop::TooLong);
    };
    const auto drain = [&] {
        checkDeclared();
        while (stop == Stop::None && reply->bytesAvailable() > 0) {
            // One byte past the bound is enough to know that it was passed.
            const QByteArray chunk = reply->read(std::min(reply->bytesAvailable(), maxBytes - kept + 1));
            if (chunk.isEmpty())
                break;
            if (statusOf(reply) != 200)
                continue;
            kept += chunk.size();
            if (kept > maxBytes)
                giveUp(Stop::TooLong);
            else
                keep(chunk);
        }
    };

    reply->setReadBufferSize(ReadBufferBytes);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // The connections end with the loop, before the reply is handed back.
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { giveUp(Stop::Deadline); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, checkDeclared);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, drain);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(deadlineMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    drain();
    return stop;
}

QString WebClient::failureText(QNetworkReply *reply, Stop stop, int deadlineMs) const
{
    if (stop == Stop::Deadline)
        return QStringLiteral("no complete answer from %1 within %2 s")
            .arg(reply->url().host())
            .arg(deadlineMs / 1000.0);
    // Only the transfer time-out cancels a reply that we did not abort.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("no answer from %1 within %2 s")
            .arg(reply->url().host())
            .arg(m_limits.transferTimeoutMs / 1000.0);
    return reply->errorString();
}

WebAnswer WebClient::get(const char *path)
{
    WebAnswer answer;
    if (!configured()) {
        answer.error = QStringLiteral("no update server configured");
        return answer;
    }
    QNetworkReply *reply = m_manager.get(request(path));
    const Stop stop = transfer(reply, m_limits.answerDeadlineMs, MaxAnswerBytes,
                               [&](const QByteArray &chunk) { answer.body += chunk; });
    answer.status = statusOf(reply);
    if (answer.status == 200 && stop == Stop::TooLong) {
        answer.answered = true;
        answer.tooLong = true;
        answer.body.clear();
    } else if (answer.status == 200 && reply->error() != QNetworkReply::NoError) {
        // Part of a version is no version.
        answer.error = failureText(reply, stop, m_limits.answerDeadlineMs);
        answer.body.clear();
    } else if (answer.status > 0) {
        answer.answered = true;
    } else {
        answer.error = failureText(reply, stop, m_limits.answerDeadlineMs);
    }
    answer.status = answer.answered ? answer.status : 0;
    if (answer.answered)
        answer.statusText = statusTextOf(reply);
    reply->deleteLater();
    return answer;
}

bool WebClient::download(const char *path, const QString &fileName, QString *error)
{
    if (!configured()) {
        *error = QStringLiteral("no update server configured");
        return false;
    }
    CheckedFile file(fileName);
    if (!file.open()) {
        *error = file.message();
        return false;
    }
    QNetworkReply *reply = m_manager.get(request(path));
    // Only the body of a 200 answer is written, as it arrives. After a failed
    // write the rest is read and dropped; commit() then reports the failure.
    const Stop stop = transfer(reply, m_limits.downloadDeadlineMs, m_limits.maxDownloadBytes,
                               [&](const QByteArray &chunk) { file.append(chunk); });

    const int status = statusOf(reply);
    bool ok = false;
    if (stop == Stop::TooLong)
        *error = QStringLiteral("the answer from %1 is larger than %2")
                     .arg(reply->url().host(), sizeText(m_limits.maxDownloadBytes));
    else if (status == 0)
        *error = failureText(reply, stop, m_limits.downloadDeadlineMs);
    else if (status != 200)
        *error = QStringLiteral("HTTP %1 %2").arg(status).arg(statusTextOf(reply));
    else if (reply->error() != QNetworkReply::NoError)
        *error = failureText(reply, stop, m_limits.downloadDeadlineMs);  // broke off or ran out of time
    else if (!file.commit())
        *error = file.message();
    else
        ok = true;
    if (!ok)
        file.cancel();
    reply->deleteLater();
    return ok;
}
