#include <benchmark/benchmark.h>

#include "platform/hid/hid_device.h"
#include "platform/hid/report_descriptor.h"
#include "platform/hid_tree.h"

namespace {

using namespace quasar;

void BM_ParseKeyboardDescriptor(benchmark::State& state) {
    const auto d = testing::keyboardInterfaceDescriptor();
    for (auto _ : state) {
        hid::ReportDescriptor r;
        benchmark::DoNotOptimize(hid::parseReportDescriptor(d.data(), d.size(), r));
        benchmark::DoNotOptimize(r.collections.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_ParseKeyboardDescriptor);

// The event listener's path: one 16-bit code out of a report of the event collection.
void BM_DecodeEventReport(benchmark::State& state) {
    const auto d = testing::keyboardInterfaceDescriptor();
    hid::ReportDescriptor r;
    hid::parseReportDescriptor(d.data(), d.size(), r);
    const hid::Collection& events = r.collections[2];
    const std::uint8_t report[3] = {0x03, 0x05, 0x05};
    std::uint16_t usages[1];
    for (auto _ : state) {
        std::uint32_t n = 1;
        benchmark::DoNotOptimize(hid::getUsages(events, hid::ReportKind::Input, 0x0C, usages, &n,
                                                report, sizeof report));
        benchmark::DoNotOptimize(usages[0]);
    }
}
BENCHMARK(BM_DecodeEventReport);

// What the discovery loop pays every 100 ms: list, read sysfs and parse every node's descriptor.
void BM_EnumerateNodes(benchmark::State& state) {
    testing::HidTree tree;
    for (unsigned n = 0; n < static_cast<unsigned>(state.range(0)); ++n) {
        testing::NodeSpec s;
        s.number = n;
        s.descriptor = testing::keyboardInterfaceDescriptor();
        s.serve = false;
        tree.plug(s);
    }
    HidDevice hid;
    for (auto _ : state) {
        hid.enumerateInterfaces();
        benchmark::DoNotOptimize(hid.interfacePathCount());
    }
    state.counters["paths"] = static_cast<double>(hid.interfacePathCount());
}
BENCHMARK(BM_EnumerateNodes)->Arg(4)->Arg(32)->Unit(benchmark::kMicrosecond);

// One 64-byte report written by the host and one read back through a socket node.
void BM_SocketWriteAndRead(benchmark::State& state) {
    testing::HidTree tree;
    testing::NodeSpec s;
    s.number = 0;
    s.descriptor = testing::keyboardInterfaceDescriptor();
    auto* server = tree.plug(s);
    HidDevice hid;
    if (!hid.open(tree.nodePath(0) + "#vid_320f&pid_5064&mi_01&col04", true, true, true, false) ||
        !server->waitClients(1)) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<std::uint8_t> out(64, 0), in(64, 0);
    out[0] = 4;
    for (auto _ : state) {
        hid.write(out.data(), 64, nullptr, 1000);
        server->broadcast(*server->waitMessage());
        std::uint32_t got = 0;
        if (!hid.read(in.data(), 64, &got, 1000)) state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_SocketWriteAndRead)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
