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

// "NAME=K", "NAME=K+" (frame K and every later one) and, where `delayUs` is
// given, ":MS" after either: a delay of MS milliseconds (0 or more), or
// `defaultDelayUs` without one. Bad text changes nothing.
bool frameFault(const QString &text, const QString &name, PedalFaults::Frames *frames,
                std::int64_t *delayUs, std::int64_t defaultDelayUs, QString *error)
{
    QString value = text.mid(name.size() + 1);
    const int colon = int(value.indexOf(QLatin1Char(':')));
    if (text == name || (colon >= 0 && !delayUs)) {
        *error = QStringLiteral("fault \"%1\" needs a number: %1=N, or %1=N+ for that frame and every later one%2")
                     .arg(name, delayUs ? QStringLiteral(", then :MS for a delay") : QString());
        return false;
    }
    std::int64_t delay = defaultDelayUs;
    if (colon >= 0) {
        bool ok = false;
        const QString msText = value.mid(colon + 1);
        const int ms = msText.toInt(&ok);
        if (!ok || ms < 0) {
            *error = QStringLiteral("fault \"%1\": delay \"%2\" is not a whole number of milliseconds of at least 0 "
                                    "(%1=N:MS)")
                         .arg(name, msText);
            return false;
        }
        delay = std::int64_t(ms) * 1000;
        value = value.left(colon);
    }
    const bool onwards = value.endsWith(QLatin1Char('+'));
    if (onwards)
        value.chop(1);
    bool ok = false;
    const int frame = value.toInt(&ok);
    if (!ok || frame < 1) {
        *error = QStringLiteral("fault \"%1\": \"%2\" is not a whole number of at least 1").arg(name, value);
        return false;
    }
    frames->first = frame;
    frames->onwards = onwards;
    if (delayUs)
        *delayUs = delay;
    return true;
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
        return frameFault(t, QStringLiteral("nack"), &nack, nullptr, 0, error);
    if (named(t, QStringLiteral("late-nack")))
        return frameFault(t, QStringLiteral("late-nack"), &lateNack, &lateNackUs, DefaultLateNackUs, error);
    if (named(t, QStringLiteral("stray-ack")))
        return frameFault(t, QStringLiteral("stray-ack"), &strayAck, nullptr, 0, error);
    if (named(t, QStringLiteral("dup-ack")))
        return frameFault(t, QStringLiteral("dup-ack"), &duplicateAck, &duplicateAckUs, 0, error);
    if (named(t, QStringLiteral("garble")))
        return frameFault(t, QStringLiteral("garble"), &garbledAnswer, nullptr, 0, error);
    if (t.startsWith(QLatin1String("silent=")))
        return frameFault(t, QStringLiteral("silent"), &noAnswer, nullptr, 0, error);
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
        "silent, and for the K-th bootloader frame (sync = 1; K+ for it and every later one): "
        "nack=K (refused), late-nack=K[:MS] (refused, the NACK MS ms late, default 1500), "
        "stray-ack=K (an ACK before its answer), dup-ack=K[:MS] (a second ACK MS ms after its answer, "
        "default 0), garble=K (its answer with a bit flipped), silent=K (no answer); garbled-status, "
        "short-status[=N values], split-reply[=PARTS[:GAP_MS]] (default 2 parts, 250 ms apart), "
        "unplug=K (after the K-th message)");
}
