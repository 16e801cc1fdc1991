// The status request against the simulated pedal at wire speed, reported
// beside its fixed 200 ms pause and the time the request and its reply take
// on a 115200-baud line (goal_ms: pause + wire + 20 ms); and the cost of
// decoding and listing the reply on its own.
//
//   build/bench/sombrant_bench

#include "QuietPrompts.h"
#include "WireSpeed.h"
#include "app/LogSink.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "device/StatusRequest.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

class CountingLog final : public LogSink {
public:
    void PrintToConsole(const QString &text) override { characters += text.size(); }
    void AppendConsoleLine(const QString &text) override { characters += text.size(); }
    qsizetype characters = 0;
};

struct Rig {
    Rig()
    {
        openAtWireSpeed(transport);
    }
    QuietPrompts prompts;
    CountingLog log;
    SystemClock clock;
    SimulatedPedalDriver driver;
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    StatusRequest request{comm, log, prompts, clock};
};

void StatusRoundTrip(benchmark::State &state)
{
    Rig rig;
    qsizetype replyBytes = 0;
    for (auto _ : state) {
        auto status = rig.request.request_device_status();
        if (!status) {
            state.SkipWithError(qPrintable(rig.prompts.lastMessage));
            return;
        }
        replyBytes = rig.comm.received_reply.size();
    }
    const double byteMs = 10.0 * 1000.0 / 115200.0;
    state.counters["reply_bytes"] = double(replyBytes);
    state.counters["wire_ms"] = (2 + double(replyBytes)) * byteMs;
    state.counters["fixed_pause_ms"] = StatusRequest::ReplyPauseMs;
    state.counters["check_ms"] = Communication::ReplyCheckMs;
    state.counters["goal_ms"] = StatusRequest::ReplyPauseMs + state.counters["wire_ms"] + 20;
}
BENCHMARK(StatusRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void DecodeAndListStatusReply(benchmark::State &state)
{
    Rig rig;
    rig.driver.wire().setPacing(false);
    rig.comm.send_message(QStringLiteral("0200"), 2, false);
    if (rig.comm.receive_reply(DeviceStatus::ValueCount) != Communication::Reply::Decoded) {
        state.SkipWithError(qPrintable(rig.prompts.lastMessage));
        return;
    }
    const QByteArray reply = rig.comm.received_reply;
    for (auto _ : state) {
        rig.comm.received_reply = reply;
        benchmark::DoNotOptimize(rig.comm.decode_reply(DeviceStatus::ValueCount));
    }
    state.counters["values"] = double(rig.comm.received_bytes_array.size());
}
BENCHMARK(DecodeAndListStatusReply)->Unit(benchmark::kMicrosecond);

}  // namespace
