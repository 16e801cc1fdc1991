#include "device/BackupFlow.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "device/StatusRequest.h"
#include "devtools/DeveloperMessages.h"
#include "params/FXsettings.h"
#include "params/ParameterCommands.h"
#include "params/ParameterTable.h"
#include "tuning/Tunings.h"

#include <QDir>
#include <QFileInfo>

namespace {

// "a, b and c"
QString joinedNames(const QStringList &names)
{
    if (names.size() < 2)
        return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.last();
}

bool tuningWritable(const PedalBackup &backup)
{
    return backup.tuning < TuningEntries.size() && backup.semitones >= -SemitoneEntryOffset
           && backup.semitones < int(SemitoneEntries.size()) - SemitoneEntryOffset;
}

bool footswitchWritable(const PedalBackup &backup)
{
    return FootswitchChoice::fromMode(backup.footswitchMode).has_value();
}

// What a restore cannot write back, whatever the backup holds: the
// EEPROMs, and the standard values, which the pedal does not store
// (`sentLive` went out live; the rest the editor never sends).
QStringList notesOnUnwritten(const QStringList &sentLive)
{
    QStringList neverSent;
    for (int s = 0; s < StandardParameterCount; ++s) {
        const QString name = toQString(ParameterTable[std::size_t(s)].name);
        if (!sentLive.contains(name))
            neverSent << name;
    }
    QStringList notes{QStringLiteral("The EEPROM contents of devices 50 and 51: no message writes them.")};
    if (!sentLive.isEmpty())
        notes << QStringLiteral("%1: sent live only. The pedal does not store them, so they last until it is "
                                "switched off.")
                     .arg(joinedNames(sentLive));
    if (!neverSent.isEmpty())
        notes << QStringLiteral("%1: the editor only shows them; no message sets or stores them.")
                     .arg(joinedNames(neverSent));
    return notes;
}

}  // namespace

BackupFlow::BackupFlow(Communication &communication, LogSink &log, UserPrompts &prompts, PauseClock &clock)
    : m_communication(communication), m_log(log), m_prompts(prompts), m_clock(clock)
{
}

QString BackupFlow::question(const QString &name)
{
    return QStringLiteral("Restore the pedal from the backup %1? Its values, assignments, footswitch mode and "
                          "tuning will be replaced.")
        .arg(name);
}

PedalResultOf<PedalBackup> BackupFlow::backup(const QString &path)
{
    StatusRequest request(m_communication, m_log, m_prompts, m_clock);
    const PedalResultOf<DeviceStatus> status = request.request_device_status();
    if (!status)
        return status.result();
    PedalBackup backup = PedalBackup::fromStatus(*status);

    DeveloperMessages messages(m_communication, m_log, m_clock);
    for (int d = 0; d < PedalBackup::DeviceCount; ++d) {
        const QString device = QString::fromLatin1(PedalBackup::EepromDevices[std::size_t(d)]);
        // The file holds every byte: the log counts them instead of listing
        // 16,384 lines per device.
        const auto dump = messages.dump(device, 0, PedalBackup::EepromBytes - 1, DeveloperMessages::Listing::Count);
        if (!dump)
            return dump.result();
        if (!dump->complete()) {
            const QString why = QStringLiteral("The EEPROM of device %1 was read only in part (%2 of %3 bytes): "
                                               "no backup was written")
                                    .arg(device)
                                    .arg(dump->values.size())
                                    .arg(PedalBackup::EepromBytes);
            m_log.PrintToConsole(why);
            // A reply cut short was only logged; silence and a refused reply
            // were shown as they happened.
            return dump->reply == Communication::Reply::Incomplete ? PedalResult::failedUntold(why)
                                                                   : PedalResult::failed(why);
        }
        backup.eeprom[std::size_t(d)] = dump->values.left(PedalBackup::EepromBytes);
        m_log.PrintToConsole(QStringLiteral("EEPROM %1: %2 bytes read").arg(device).arg(PedalBackup::EepromBytes));
    }

    QString error;
    if (!backup.write(path, &error)) {
        const QString why = QStringLiteral("The backup was not written: ") + error;
        m_log.PrintToConsole(why);
        return PedalResult::failedUntold(why);
    }
    m_log.PrintToConsole(QStringLiteral("Backup written to ") + QDir::toNativeSeparators(path));
    return backup;
}

PedalResultOf<BackupFlow::Restored> BackupFlow::restore(const QString &path, Confirmation confirmation)
{
    QString error;
    const std::optional<PedalBackup> backup = PedalBackup::readFile(path, &error);
    if (!backup)
        return refuse(error);
    return restore(*backup, QFileInfo(path).fileName(), confirmation);
}

PedalResult BackupFlow::refuse(const QString &why)
{
    m_log.PrintToConsole(why);
    m_prompts.showMessage(why);
    return PedalResult::refused(why);
}

PedalResultOf<BackupFlow::Restored> BackupFlow::restore(const PedalBackup &backup, const QString &name,
                                                        Confirmation confirmation)
{
    StatusRequest request(m_communication, m_log, m_prompts, m_clock);
    const PedalResultOf<DeviceStatus> status = request.request_device_status();
    if (!status)
        return status.result();
    if (status->device_algorithm_version != backup.algorithm)
        return refuse(QStringLiteral("Nothing restored: the backup was made with algorithm %1, the pedal runs %2, "
                                     "and their parameter addresses differ.")
                          .arg(backup.algorithm, status->device_algorithm_version));
    // The live messages go to the addresses of the algorithm's carried image.
    FXsettings fx;
    QString unknown;
    if (!fx.takeReportedAlgorithm(backup.algorithm, &unknown))
        return refuse(QStringLiteral("Nothing restored: ") + unknown
                      + QStringLiteral(", so its parameter addresses are unknown."));
    if (confirmation == Confirmation::Ask && !m_prompts.askYesNo(question(name)))
        return PedalResult::declined(QStringLiteral("Nothing restored"));

    for (int s = 0; s < ParameterSlotCount; ++s)
        fx.value(s) = backup.values[std::size_t(s)];
    QStringList notRestored;
    if (const PedalResult written = writeBack(backup, fx, &notRestored); !written)
        return written;
    const PedalResultOf<DeviceStatus> after = pedalTook(backup);
    if (!after)
        return after.result();
    for (const QString &line : std::as_const(notRestored))
        m_log.PrintToConsole(QStringLiteral("Not restored: ") + line);
    return Restored{*after, notRestored};
}

PedalResult BackupFlow::writeBack(const PedalBackup &backup, const FXsettings &fx, QStringList *notRestored)
{
    ParameterCommands commands(m_communication, m_log, m_prompts, m_clock);
    QStringList sentLive;
    const PedalResult live = commands.sendShown(fx, std::nullopt, {}, [&](const FXsettings::LiveValue &value) {
        if (value.slot < StandardParameterCount)
            sentLive << toQString(ParameterTable[std::size_t(value.slot)].name);
    });
    if (!live)
        return live;
    // The store purges the transmit queue: a status request sent behind the
    // live messages, without that purge, is answered once they are all taken.
    StatusRequest request(m_communication, m_log, m_prompts, m_clock);
    if (const auto taken = request.request_device_status(StatusRequest::Queued::Keep); !taken)
        return taken.result();
    if (const PedalResult stored = commands.storeParameters(fx, Confirmation::Given); !stored)
        return stored;
    *notRestored << notesOnUnwritten(sentLive);
    return writeSettings(backup, commands, notRestored);
}

PedalResult BackupFlow::writeSettings(const PedalBackup &backup, ParameterCommands &commands,
                                      QStringList *notRestored)
{
    if (tuningWritable(backup)) {
        // It purges too, so it goes before the messages that do not.
        Tunings tunings(m_communication, m_log, m_prompts, m_clock);
        if (const PedalResult set = tunings.setTuning(backup.tuning, backup.semitones, Confirmation::Given); !set)
            return set;
    } else {
        *notRestored << QStringLiteral("The tuning (number %1, %2 semitones): the tuning message sets tunings 0 to 7 "
                                       "and -5 to +3 semitones only.")
                            .arg(backup.tuning)
                            .arg(backup.semitones);
    }
    if (const PedalResult assigned =
            commands.sendAssignment(ParameterCommands::assignMessage(backup.assignments), Confirmation::Given);
        !assigned)
        return assigned;
    if (const std::optional<FootswitchChoice> choice = FootswitchChoice::fromMode(backup.footswitchMode))
        return commands.setFootswitchMode(*choice);
    *notRestored << QStringLiteral("The footswitch mode %1: the footswitch message sets modes 0 to 3 only.")
                        .arg(backup.footswitchMode);
    return PedalResult::done();
}

PedalResultOf<DeviceStatus> BackupFlow::pedalTook(const PedalBackup &backup)
{
    // Behind the footswitch message, which goes without a purge.
    StatusRequest request(m_communication, m_log, m_prompts, m_clock);
    const PedalResultOf<DeviceStatus> after = request.request_device_status(StatusRequest::Queued::Keep);
    if (!after)
        return after;
    QStringList differ;
    for (int s = slot::FirstAssignable; s < ParameterSlotCount; ++s)
        if (after->parameterValues[std::size_t(s)] != backup.values[std::size_t(s)])
            differ << toQString(ParameterTable[std::size_t(s)].name);
    for (int k = 0; k < ControlCount; ++k) {
        const DeviceStatus::Assignment &want = backup.assignments[std::size_t(k)];
        const DeviceStatus::Assignment &got = after->assignments[std::size_t(k)];
        // An unassigned control's address means nothing.
        if (got.assigned != want.assigned || (want.assigned && got.address != want.address))
            differ << QStringLiteral("the assignment of ") + toQString(ControlNames[std::size_t(k)]);
    }
    if (footswitchWritable(backup) && after->footswitch_mode != backup.footswitchMode)
        differ << QStringLiteral("the footswitch mode");
    if (tuningWritable(backup) && (after->tuning != backup.tuning || after->semitones != backup.semitones))
        differ << QStringLiteral("the tuning");
    if (differ.isEmpty())
        return after;
    const QString why = QStringLiteral("The pedal does not report what was restored: %1 differ from the backup.")
                            .arg(joinedNames(differ));
    m_log.PrintToConsole(why);
    return PedalResult::failedUntold(why);
}
