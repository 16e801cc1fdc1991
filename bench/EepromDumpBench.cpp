// The whole EEPROM dump (16,384 bytes, about 75 KB of reply) against the
// simulated pedal at wire speed, reported beside its fixed 200 ms pause and
// the time the request and its reply take on a 115200-baud line. The pedal
// answers during the pause, so the wire time is the floor; goal_ms allows
// decoding and listing 3% more, and the final check for extra bytes. And the
// cost of decoding and listing the reply on its own.
//
//   build/bench/sombrant_bench --benchmark_filter=Eeprom

#include "QuietPrompts.h"
#include "WireSpeed.h"
#include "app/LogSink.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "devtools/DeveloperMessages.h"

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

constexpr int EepromBytes = 16384;

// Keeps the listing as the console would get it: every line's text.
class ListingLog final : public LogSink {
public:
    void PrintToConsole(const QString &text) override { characters += text.size(); }
    void AppendConsoleLine(const QString &text) override { characters += text.size(); }
    void PrintLinesToConsole(const QStringList &lines) override
    {
        for (const QString &line : lines)
            characters += line.size();
        listed += lines.size();
    }
    qsizetype characters = 0;
    qsizetype listed = 0;
};

struct DumpRig {
    DumpRig()
    {
        openAtWireSpeed(transport);
        fillWithEveryReplyLength(driver.pedal().state().eeprom);
    }
    QuietPrompts prompts;
    ListingLog log;
    SystemClock clock;
    SimulatedPedalDriver driver;
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    DeveloperMessages messages{comm, log, clock};
};

void EepromDumpRoundTrip(benchmark::State &state)
{
    DumpRig rig;
    qsizetype replyBytes = 0;
    for (auto _ : state) {
        const auto result = rig.messages.dump(QStringLiteral("50"), 0, EepromBytes - 1);
        if (!result || !result->complete()) {
            state.SkipWithError(qPrintable(QStringLiteral("dump failed: ") + rig.prompts.lastMessage));
            return;
        }
        replyBytes = rig.comm.received_reply.size();
    }
    const double byteMs = 10.0 * 1000.0 / 115200.0;
    state.counters["reply_bytes"] = double(replyBytes);
    state.counters["wire_ms"] = (6 + double(replyBytes)) * byteMs;
    state.counters["fixed_pause_ms"] = DeveloperMessages::DumpPauseMs;
    state.counters["check_ms"] = Communication::ReplyCheckMs;
    state.counters["goal_ms"] =
        1.03 * std::max<double>(state.counters["wire_ms"], DeveloperMessages::DumpPauseMs)
        + Communication::ReplyCheckMs;
    state.counters["lines"] = double(rig.log.listed) / double(state.iterations());
}
BENCHMARK(EepromDumpRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void DecodeAndListEepromDump(benchmark::State &state)
{
    DumpRig rig;
    rig.driver.wire().setPacing(false);
    const auto result = rig.messages.dump(QStringLiteral("50"), 0, EepromBytes - 1);
    if (!result || !result->complete()) {
        state.SkipWithError(qPrintable(QStringLiteral("dump failed: ") + rig.prompts.lastMessage));
        return;
    }
    const QByteArray reply = rig.comm.received_reply;
    rig.comm.eeprom_start_address = 0;
    rig.comm.eeprom_end_address = EepromBytes - 1;
    rig.comm.eeprom_read_active = true;
    for (auto _ : state) {
        rig.comm.received_reply = reply;
        benchmark::DoNotOptimize(rig.comm.decode_reply(EepromBytes));
    }
    rig.comm.eeprom_read_active = false;
    state.counters["values"] = double(rig.comm.received_bytes_array.size());
    state.counters["wire_ms"] = double(reply.size()) * 10.0 * 1000.0 / 115200.0;
}
BENCHMARK(DecodeAndListEepromDump)->Unit(benchmark::kMillisecond);

}  // namespace
