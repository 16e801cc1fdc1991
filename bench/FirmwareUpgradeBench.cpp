// The firmware upgrade of FIRMWARE_8 on the simulator program's bootloader
// (sombrant-pedal-sim --bootloader, on a pseudo-terminal, with its wire paced
// at 115200 baud), in both transfers, and stm32flash writing the same image
// to the same simulator. Each is reported beside the wire time of what it
// makes cross the line, the physical limit at 115200 baud:
//
// - wire_ms: the bytes the upgrade sends (10 bits each on the simulator's
//   line) and the bootloader's answers (11 bits each, with their parity bit);
// - erase_ms: the simulator's global erase;
// - pauses_ms (paced): the fixed pauses the transfer makes by design;
// - goal_ms: fast within 15% of wire + erase; paced adds nothing beyond its
//   own pauses (wire + erase + pauses);
// - answers: the bootloader's answers, each of which the simulator starts
//   1 ms after the frame it answers (its processing latency).
//
//   build/bench/sombrant_firmware_bench

#include "QuietPrompts.h"
#include "WireSpeed.h"
#include "app/LogSink.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SerialPortDriver.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpgrade.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr double BitMs = 1000.0 / 115200.0;
// The simulator's global erase (PedalBootloader::Timing::massEraseUs).
constexpr double EraseMs = 40.0;

class NoLog final : public LogSink {
public:
    void PrintToConsole(const QString &) override {}
    void AppendConsoleLine(const QString &) override {}
};

// The simulator program, paced at 115200 baud, started in its bootloader.
class Simulator {
public:
    Simulator()
    {
        m_process.start(QStringLiteral(SOMBRANT_PEDAL_SIM_PATH), {QStringLiteral("--bootloader")});
        const QDeadlineTimer deadline(10'000);
        while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(50);
        path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~Simulator()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QString path;

private:
    QProcess m_process;
};

QByteArray firmware8()
{
    QString error;
    return FirmwareImage::loadResource(FirmwareImage::resourceName(8), &error).value_or(QByteArray());
}

// Bytes the upgrade sends and answers it gets, from the frame layout.
struct Traffic {
    double sent = 0;
    double answers = 0;
};
Traffic upgradeTraffic(int imageBytes)
{
    const int chunks = (imageBytes + 255) / 256;
    Traffic t;
    t.sent = 1 + 4 + chunks * (2 + 5 + 2) + imageBytes + (2 + 5 + 10) + (2 + 5);
    t.answers = 1 + 2 + chunks * 3 + 3 + 2;
    return t;
}

// The pauses of paced transfer: 1 ms after command, address and record
// bytes, 20 ms (100 ms for Go) before each answer, 0.1 ms after data bytes,
// and the quiet line watched after the answers to the synchronisation, the
// version record and both of Go's.
double pacedPausesMs(int imageBytes)
{
    const int chunks = (imageBytes + 255) / 256;
    const double quiet = BootloaderProtocol::QuietMs;
    const double sync = 1 + quiet;
    const double erase = (2 + 20) * 2;
    const double perChunk = (2 + 20) + (5 + 20) + 1 + 0.1 * 256;
    const double record = (2 + 20) + (5 + 20) + (10 + 20) + quiet;
    const double go = (2 + 100) + (5 + 100) + 2 * quiet;
    return sync + erase + chunks * perChunk - (chunks * 256.0 - imageBytes) * 0.1 + record + go + 10;
}

void upgradeOnSimulator(benchmark::State &state, BootloaderProtocol::Transfer transfer)
{
    const QByteArray image = firmware8();
    for (auto _ : state) {
        Simulator sim;
        if (sim.path.isEmpty()) {
            state.SkipWithError("the simulator did not start");
            return;
        }
        QuietPrompts prompts;
        NoLog log;
        SystemClock clock;
        SerialPortDriver driver;
        driver.addExplicitPort(sim.path);
        D2XXUnit transport(driver, prompts);
        Communication comm(transport, log, prompts, clock);
        openAtWireSpeed(transport, sim.path);
        FirmwareUpgrade upgrade(comm, log, prompts, clock);
        upgrade.synchroniseFirst = true;

        QElapsedTimer timer;
        timer.start();
        const auto outcome = upgrade.upgradeImage(image, 8, {transfer, false});
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        transport.CloseFTDevice();
        if (!outcome) {
            state.SkipWithError(qPrintable(outcome.reason()));
            return;
        }
    }
    const Traffic t = upgradeTraffic(int(image.size()));
    state.counters["wire_ms"] = (t.sent * 10 + t.answers * 11) * BitMs;
    state.counters["erase_ms"] = EraseMs;
    // Not in the goal: the simulator takes 1 ms to start each answer
    // (PedalWire's latency), and its timer rounds the wait for it up to the
    // next millisecond.
    state.counters["answers"] = t.answers;
    if (transfer == BootloaderProtocol::Transfer::Paced) {
        state.counters["pauses_ms"] = pacedPausesMs(int(image.size()));
        state.counters["goal_ms"] = state.counters["wire_ms"] + EraseMs + state.counters["pauses_ms"];
    } else {
        state.counters["goal_ms"] = 1.15 * (state.counters["wire_ms"] + EraseMs);
    }
}

void FirmwareUpgradePaced(benchmark::State &state)
{
    upgradeOnSimulator(state, BootloaderProtocol::Transfer::Paced);
}
BENCHMARK(FirmwareUpgradePaced)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

void FirmwareUpgradeFast(benchmark::State &state)
{
    upgradeOnSimulator(state, BootloaderProtocol::Transfer::Fast);
}
BENCHMARK(FirmwareUpgradeFast)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// stm32flash writes the same image, verifies nothing, and starts it. Its own
// traffic (page erases, 256-byte writes, Go) is of the same size; its wire
// time is reported with the same frame layout, its erases beside it.
void Stm32flashSameImage(benchmark::State &state)
{
    const QString program = QStringLiteral(STM32FLASH_PATH);
    if (program.isEmpty() || program.endsWith(QLatin1String("NOTFOUND"))) {
        state.SkipWithError("stm32flash is not installed");
        return;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("FIRMWARE_8.bin"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly)) {
            state.SkipWithError("no temporary file");
            return;
        }
        out.write(firmware8());
    }
    for (auto _ : state) {
        Simulator sim;
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(program, {QStringLiteral("-m"), QStringLiteral("8n1"), QStringLiteral("-b"),
                                QStringLiteral("115200"), QStringLiteral("-w"), file, QStringLiteral("-g"),
                                QStringLiteral("0x08000000"), sim.path});
        process.waitForFinished(300'000);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            state.SkipWithError(qPrintable(QString::fromLocal8Bit(process.readAllStandardError())));
            return;
        }
    }
    const Traffic t = upgradeTraffic(50720);
    state.counters["wire_ms"] = (t.sent * 10 + t.answers * 11) * BitMs;
}
BENCHMARK(Stm32flashSameImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace
