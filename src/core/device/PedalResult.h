#pragma once

#include <QString>
#include <optional>
#include <utility>

// What one pedal operation came to, as its flow returns it, so that no caller
// has to look at the transport or count the messages it saw:
//
//   Done      everything was sent (and answered, where the pedal answers)
//   Declined  the person asked said No; nothing was sent
//   Refused   the request cannot be carried out as it was given (no carried
//             image, unknown parameter addresses, a file that is not one,
//             several pedals and none chosen); nothing was sent
//   Failed    the pedal or its driver failed, or another exchange held the
//             link; what was sent before the failure stays sent
//
// The reason says what happened in words, the driver's label and status after
// them. A refusal or failure has been told to the user through the prompts as
// it happened (a driver's box, "No reply from the pedal"), except where told()
// says otherwise (a pedal that never answered an upload, whose window marks
// it in its status line); a refusal is told as it happens; the reason is for
// the caller's status line, log or exit status. Declined is never told: the
// user said No.
class PedalResult {
public:
    enum class Outcome { Done, Declined, Refused, Failed };

    static PedalResult done() { return PedalResult(Outcome::Done, {}); }
    static PedalResult declined(QString reason) { return PedalResult(Outcome::Declined, std::move(reason)); }
    static PedalResult refused(QString reason) { return PedalResult(Outcome::Refused, std::move(reason)); }
    static PedalResult failed(QString reason) { return PedalResult(Outcome::Failed, std::move(reason)); }
    // Failed, and nobody has been told yet.
    static PedalResult failedUntold(QString reason)
    {
        PedalResult result(Outcome::Failed, std::move(reason));
        result.m_told = false;
        return result;
    }

    Outcome outcome() const { return m_outcome; }
    const QString &reason() const { return m_reason; }
    // Whether the user has been told the reason (see above).
    bool told() const { return m_outcome != Outcome::Declined && m_told; }
    bool isDone() const { return m_outcome == Outcome::Done; }
    bool isDeclined() const { return m_outcome == Outcome::Declined; }
    bool isRefused() const { return m_outcome == Outcome::Refused; }
    bool isFailed() const { return m_outcome == Outcome::Failed; }
    explicit operator bool() const { return isDone(); }

protected:
    PedalResult(Outcome outcome, QString reason) : m_outcome(outcome), m_reason(std::move(reason)) {}

private:
    Outcome m_outcome;
    QString m_reason;
    bool m_told = true;
};

// A result that carries what the operation read when it is done (a status, an
// image, a device list). The value is there exactly when the result is Done.
template <typename T>
class PedalResultOf : public PedalResult {
public:
    PedalResultOf(T value) : PedalResult(Outcome::Done, {}), m_value(std::move(value)) {}
    // A result that is not Done: Done comes only with its value.
    PedalResultOf(const PedalResult &notDone)
        : PedalResult(notDone.isDone() ? PedalResult::failed(QStringLiteral("Done without a value"))
                                       : notDone)
    {
    }

    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const T &value() const { return *m_value; }
    bool has_value() const { return m_value.has_value(); }
    // Done or not, as the plain result.
    PedalResult result() const { return *this; }

private:
    std::optional<T> m_value;
};
