#include "app/MenuMnemonic.h"

QString MenuMnemonic::marked(const QString &caption, QChar letter)
{
    const qsizetype at = caption.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at < 0)
        return caption;
    return caption.left(at) + QLatin1Char('&') + caption.mid(at);
}

QString MenuMnemonic::markedLast(const QString &caption)
{
    if (caption.isEmpty())
        return caption;
    return caption.left(caption.size() - 1) + QLatin1Char('&') + caption.right(1);
}
