#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class PedalDevice;
class QLockFile;

// Keeps a simulated pedal's state file in step with the pedal while it runs.
//
// The file is claimed for the life of the pedal by a lock file beside it
// ("<file>.lock"), so that two simulated pedals never write over each other's
// state. The lock of a process that has died is taken over; a lock held by a
// live process is never, however old it is.
//
// Saves are throttled, since the whole state (flash and EEPROM included) is
// rewritten each time and a bootloader write changes it with every frame: a
// change after a quiet spell is saved at once; a change within
// SaveIntervalUs of the previous attempt waits until that interval has
// passed, for the owner's next update() at or after saveDueAt().
//
// A save that fails leaves the change unsaved and is tried again
// RetryIntervalUs after the attempt, by the owner's next update() at or after
// saveDueAt(), and by flush() at the end of the pedal's life. A file that
// another program holds open for a moment (on Windows a reader blocks the
// replace) is thereby saved soon after, without waiting for a change that may
// never come. Only the first failure of a run is logged, and the save that
// ends the run says so, so a file that cannot be written does not fill the
// log.
class PedalStateKeeper {
public:
    // Monotonic time in microseconds (the wire's clock).
    using Clock = std::function<std::int64_t()>;

    static constexpr std::int64_t SaveIntervalUs = 250'000;
    static constexpr std::int64_t RetryIntervalUs = 1'000'000;

    explicit PedalStateKeeper(Clock clock);
    ~PedalStateKeeper();  // releases the file; saving is the owner's flush()
    PedalStateKeeper(const PedalStateKeeper &) = delete;
    PedalStateKeeper &operator=(const PedalStateKeeper &) = delete;

    // Claims `path` for this pedal, releasing a file claimed before. False
    // with a message naming the file when another simulated pedal holds it or
    // no lock file can be made beside it; nothing is kept then. An empty path
    // keeps nothing and succeeds.
    bool claim(const QString &path, QString *error);
    void release();
    QString path() const { return m_path; }

    // After the pedal may have acted: takes note of a change in what it keeps
    // over power-off and saves it when the throttle allows.
    void update(PedalDevice &pedal);
    // Saves an unsaved change now, throttle or not: the pedal is going away.
    // False when the change stays unsaved (the error is logged).
    bool flush(PedalDevice &pedal);

    // Whether the file is behind the pedal.
    bool unsaved() const { return m_unsaved; }
    // When an unsaved change may be saved (or a failed save tried again);
    // none when the file holds the pedal's state.
    std::optional<std::int64_t> saveDueAt() const;
    int saveCount() const { return m_saves; }              // successful saves
    int failedSaveCount() const { return m_failedSaves; }  // every failed attempt
    QString lastError() const { return m_lastError; }

private:
    bool save(PedalDevice &pedal);

    Clock m_clock;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_unsaved = false;     // a change the file does not hold yet
    bool m_attemptDue = false;  // a change came after the last attempt, or it failed
    int m_failuresInARow = 0;
    std::optional<std::int64_t> m_lastAttemptUs;
    int m_saves = 0;
    int m_failedSaves = 0;
    QString m_lastError;
};
