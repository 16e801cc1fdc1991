#include "model/PedalFaults.h"

namespace {

// Reads the number after "name=", or `fallback` when there is none.
bool numberAfter(const QString &text, const QString &name, int fallback, int min, int *out,
                 QString *error)
{
    if (text == name) {
        if (fallback < min) {
            *error = QStringLiteral("fault \"%1\" needs a number: %1=N").arg(name);
            return false;
        }
        *out = fallback;
        return true;
    }
    bool ok = false;
    const int n = text.mid(name.size() + 1).toInt(&ok);
    if (!ok || n < min) {
        *error = QStringLiteral("fault \"%1\": \"%2\" is not a whole number of at least %3")
                     .arg(name, text.mid(name.size() + 1))
                     .arg(min);
        return false;
    }
    *out = n;
    return true;
}

// "split-reply[=PARTS[:GAP_MS]]": PARTS of at least 2, a pause of GAP_MS
// milliseconds (0 or more) between them.
bool splitReply(const QString &text, int *parts, std::int64_t *gapUs, QString *error)
{
    const QString name = QStringLiteral("split-reply");
    const int colon = int(text.indexOf(QLatin1Char(':')));
    if (colon < 0) {
        if (!numberAfter(text, name, 2, 2, parts, error))
            return false;
        *gapUs = PedalFaults::DefaultSplitGapUs;
        return true;
    }
    int n = 0;
    if (!numberAfter(text.left(colon), name, -1, 2, &n, error))
        return false;
    bool ok = false;
    const QString gapText = text.mid(colon + 1);
    const int gapMs = gapText.toInt(&ok);
    if (!ok || gapMs < 0) {
        *error = QStringLiteral("fault \"%1\": pause \"%2\" is not a whole number of milliseconds of at least 0 "
                                "(%1=PARTS:GAP_MS)")
                     .arg(name, gapText);
        return false;
    }
    *parts = n;
    *gapUs = std::int64_t(gapMs) * 1000;
    return true;
}

bool named(const QString &text, const QString &name)
{
    return text == name || text.startsWith(name + QLatin1Char('='));
}

}  // namespace

bool PedalFaults::apply(const QString &text, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QString t = text.trimmed();
    if (t == QLatin1String("silent")) {
        silent = true;
        return true;
    }
    if (t == QLatin1String("garbled-status")) {
        statusReply = StatusReply::Garbled;
        return true;
    }
    if (named(t, QStringLiteral("short-status"))) {
        statusReply = StatusReply::Short;
        return numberAfter(t, QStringLiteral("short-status"), shortStatusValues, 0, &shortStatusValues,
                           error);
    }
    if (named(t, QStringLiteral("nack")))
        return numberAfter(t, QStringLiteral("nack"), -1, 1, &nackAtFrame, error);
    if (named(t, QStringLiteral("split-reply")))
        return splitReply(t, &splitParts, &splitGapUs, error);
    if (named(t, QStringLiteral("unplug")))
        return numberAfter(t, QStringLiteral("unplug"), -1, 1, &unplugAfterMessages, error);
    *error = QStringLiteral("unknown fault \"%1\" (known: %2)").arg(t, helpText());
    return false;
}

bool PedalFaults::apply(const QStringList &texts, QString *error)
{
    for (const QString &t : texts)
        if (!apply(t, error))
            return false;
    return true;
}

QString PedalFaults::helpText()
{
    return QStringLiteral(
        "silent, nack=K (NACK the K-th bootloader frame, sync = 1), garbled-status, "
        "short-status[=N values], split-reply[=PARTS[:GAP_MS]] (default 2 parts, 250 ms apart), "
        "unplug=K (after the K-th message)");
}
