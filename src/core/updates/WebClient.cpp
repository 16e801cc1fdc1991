#include "updates/WebClient.h"

#include "app/CheckedFile.h"
#include "app/EditorVersion.h"
#include "updates/UpdateServer.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

int statusOf(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

QString statusTextOf(QNetworkReply *reply)
{
    return QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
}

// Waits for the reply without letting the user act: the request is
// synchronous for the window that asked.
void waitFor(QNetworkReply *reply)
{
    if (reply->isFinished())
        return;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

WebClient::WebClient(QString base, int transferTimeoutMs)
    : m_base(std::move(base)), m_timeoutMs(transferTimeoutMs)
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
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    return request;
}

QString WebClient::failureText(QNetworkReply *reply) const
{
    // Nothing here aborts a reply, so a cancelled one ran out of time.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("no answer from %1 within %2 s")
            .arg(reply->url().host())
            .arg(m_timeoutMs / 1000.0);
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
    waitFor(reply);
    answer.status = statusOf(reply);
    answer.answered = answer.status > 0;
    if (answer.answered) {
        answer.statusText = statusTextOf(reply);
        answer.body = reply->readAll();
    } else {
        answer.error = failureText(reply);
    }
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
    auto drain = [&] {
        const QByteArray chunk = reply->readAll();
        if (statusOf(reply) == 200)
            file.append(chunk);
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, drain);
    waitFor(reply);
    drain();

    const int status = statusOf(reply);
    bool ok = false;
    if (status == 0)
        *error = failureText(reply);
    else if (status != 200)
        *error = QStringLiteral("HTTP %1 %2").arg(status).arg(statusTextOf(reply));
    else if (reply->error() != QNetworkReply::NoError)
        *error = failureText(reply);  // the answer broke off
    else if (!file.commit())
        *error = file.message();
    else
        ok = true;
    if (!ok)
        file.cancel();
    reply->disconnect();
    reply->deleteLater();
    return ok;
}
