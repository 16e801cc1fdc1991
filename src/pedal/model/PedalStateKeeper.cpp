#include "model/PedalStateKeeper.h"

#include "model/PedalDevice.h"
#include "model/PedalStateFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

PedalStateKeeper::PedalStateKeeper(Clock clock) : m_clock(std::move(clock)) {}

PedalStateKeeper::~PedalStateKeeper() = default;

bool PedalStateKeeper::claim(const QString &path, QString *error)
{
    release();
    if (path.isEmpty())
        return true;

    // A folder, a pipe or a device is refused before a lock file is made
    // beside it.
    if (!PedalStateFile::checkPath(path, error))
        return false;
    const QString lockPath = path + QStringLiteral(".lock");
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Only a dead owner makes a lock stale: a simulated pedal may run for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (error) {
            const QString file = QDir::toNativeSeparators(path);
            const QString lockFile = QDir::toNativeSeparators(lockPath);
            qint64 pid = 0;
            if (lock->error() != QLockFile::LockFailedError)
                *error = QStringLiteral("pedal state file %1: cannot create its lock file %2").arg(file, lockFile);
            else if (lock->getLockInfo(&pid, nullptr, nullptr))
                *error = QStringLiteral("pedal state file %1 is in use by another simulated pedal (process %2 holds %3)")
                             .arg(file)
                             .arg(pid)
                             .arg(lockFile);
            else
                *error = QStringLiteral("pedal state file %1 is in use by another simulated pedal (%2 is held)")
                             .arg(file, lockFile);
        }
        return false;
    }
    m_lock = std::move(lock);
    m_path = path;
    return true;
}

void PedalStateKeeper::release()
{
    m_lock.reset();  // unlocks
    m_path.clear();
    m_unsaved = false;
    m_attemptDue = false;
    m_failuresInARow = 0;
    m_lastAttemptUs.reset();
}

std::optional<std::int64_t> PedalStateKeeper::saveDueAt() const
{
    if (!m_attemptDue)
        return std::nullopt;
    if (!m_lastAttemptUs)
        return m_clock();
    return *m_lastAttemptUs + (m_failuresInARow > 0 ? RetryIntervalUs : SaveIntervalUs);
}

void PedalStateKeeper::update(PedalDevice &pedal)
{
    // The change is taken even when nothing is kept, so that it does not
    // linger in the pedal.
    if (pedal.takePersistentChange() && !m_path.isEmpty()) {
        m_unsaved = true;
        m_attemptDue = true;
    }
    if (!m_attemptDue)
        return;
    const auto due = saveDueAt();
    if (*due <= m_clock())
        save(pedal);
}

bool PedalStateKeeper::flush(PedalDevice &pedal)
{
    if (pedal.takePersistentChange() && !m_path.isEmpty())
        m_unsaved = true;
    if (!m_unsaved)
        return true;
    return save(pedal);
}

bool PedalStateKeeper::save(PedalDevice &pedal)
{
    m_lastAttemptUs = m_clock();
    m_attemptDue = false;
    QString error;
    if (!PedalStateFile::save(m_path, pedal.state(), &error)) {
        ++m_failedSaves;
        m_lastError = error;
        m_attemptDue = true;
        if (m_failuresInARow++ == 0)
            pedal.log().note(QStringLiteral("state not saved: ") + error);
        return false;
    }
    ++m_saves;
    m_unsaved = false;
    if (m_failuresInARow > 0) {
        pedal.log().note(QStringLiteral("state saved after %1 failed %2")
                             .arg(m_failuresInARow)
                             .arg(m_failuresInARow == 1 ? QStringLiteral("attempt") : QStringLiteral("attempts")));
        m_failuresInARow = 0;
    }
    return true;
}
