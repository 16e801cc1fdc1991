#include "updates/UpdateServer.h"

#include <QtGlobal>

#ifndef SOMBRANT_UPDATE_HOST
#define SOMBRANT_UPDATE_HOST ""
#endif

QString UpdateServer::builtInAddress()
{
    return QStringLiteral(SOMBRANT_UPDATE_HOST);
}

QString UpdateServer::configuredAddress()
{
    const QString fromEnvironment = qEnvironmentVariable(EnvironmentVariable).trimmed();
    const QString chosen = fromEnvironment.isEmpty() ? builtInAddress() : fromEnvironment;
    return isUsableAddress(chosen) ? chosen : QString();
}

bool UpdateServer::isUsableAddress(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

QUrl UpdateServer::address(const QString &base, const char *path)
{
    if (base.isEmpty())
        return {};
    QString text = base;
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return QUrl(text + QString::fromLatin1(path));
}
