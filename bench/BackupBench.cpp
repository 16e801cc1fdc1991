// A whole backup (the status request and both EEPROM dumps, some 160 KB of
// reply, then the file) against the simulated pedal at wire speed, reported
// beside the time its requests and replies take on a 115200-baud line: the
// status's, the two dumps', and their sum. The pedal answers during each
// request's fixed pause, so the wire time is the floor; goal_ms allows 5%
// over it for decoding, the checks for extra bytes and the file.
//
//   build/bench/sombrant_bench --benchmark_filter=Backup

#include "QuietPrompts.h"
#include "WireSpeed.h"
#include "app/LogSink.h"
#include "app/SystemClock.h"
#include "device/BackupFlow.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Counts what the console would be given.
class CountingLog final : public LogSink {
public:
    void PrintToConsole(const QString &) override { ++lines; }
    void AppendConsoleLine(const QString &) override { ++lines; }
    void PrintLinesToConsole(const QStringList &batch) override { lines += batch.size(); }
    qsizetype lines = 0;
};

struct BackupRig {
    BackupRig()
    {
        openAtWireSpeed(transport);
        fillWithEveryReplyLength(driver.pedal().state().eeprom);
    }
    QuietPrompts prompts;
    CountingLog log;
    SystemClock clock;
    SimulatedPedalDriver driver;
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    BackupFlow flow{comm, log, prompts, clock};
    QTemporaryDir folder;
};

// The bytes of one value in the pedal's reply encoding: 0A, digits, 0D.
int encodedBytes(std::uint8_t value)
{
    return 2 + (value >= 100 ? 3 : value >= 10 ? 2 : 1);
}

void WholeBackup(benchmark::State &state)
{
    BackupRig rig;
    const QString path = rig.folder.filePath(QStringLiteral("pedal.json"));
    qsizetype linesPerBackup = 0;
    std::optional<PedalBackup> last;
    for (auto _ : state) {
        const qsizetype before = rig.log.lines;
        const auto backup = rig.flow.backup(path);
        if (!backup) {
            state.SkipWithError(qPrintable(QStringLiteral("backup failed: ") + backup.reason()));
            return;
        }
        linesPerBackup = rig.log.lines - before;
        last = *backup;
    }
    // The wire time of what crossed the line, from what the backup holds.
    const double byteMs = 10.0 * 1000.0 / 115200.0;
    qsizetype statusBytes = 2;  // 02 00
    const PedalBackup &b = *last;
    statusBytes += encodedBytes(std::uint8_t(b.firmware.toUInt(nullptr, 16)))
                   + encodedBytes(std::uint8_t(b.algorithm.left(2).toUInt(nullptr, 16)))
                   + encodedBytes(std::uint8_t(b.algorithm.mid(2).toUInt(nullptr, 16)))
                   + encodedBytes(std::uint8_t(b.effect.toUInt(nullptr, 16))) + encodedBytes(b.footswitchMode);
    for (const DeviceStatus::Assignment &a : b.assignments)
        statusBytes += encodedBytes(a.assigned ? 1 : 0) + encodedBytes(std::uint8_t(a.address >> 8))
                       + encodedBytes(std::uint8_t(a.address & 0xFF));
    statusBytes += encodedBytes(b.tuning) + encodedBytes(std::uint8_t(b.semitones));
    for (std::uint32_t v : b.values)
        for (int shift : {24, 16, 8, 0})
            statusBytes += encodedBytes(std::uint8_t(v >> shift));
    qsizetype dumpBytes = 0;
    for (const QByteArray &eeprom : b.eeprom) {
        dumpBytes += 6;  // 0C, device, first, last
        for (char v : eeprom)
            dumpBytes += encodedBytes(std::uint8_t(v));
    }
    state.counters["status_wire_ms"] = double(statusBytes) * byteMs;
    state.counters["dumps_wire_ms"] = double(dumpBytes) * byteMs;
    state.counters["wire_ms"] = double(statusBytes + dumpBytes) * byteMs;
    state.counters["goal_ms"] = 1.05 * state.counters["wire_ms"];
    state.counters["log_lines"] = double(linesPerBackup);
}
BENCHMARK(WholeBackup)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace
