// Transactions per second: a bare SOCK_SEQPACKET write-and-read round trip to the virtual
// device's node, the same exchange through HidDevice, a full CommandChannel transaction, and the
// ReadStatus command built on it, all against the same device server in one run. Prints the
// median rates and the channel's cost relative to the bare round trip.
//
//   bench_channel [seconds] [--seconds=S] [--repetitions=N | --benchmark_repetitions=N]
//
// The machine it runs on is shared, so the load drifts while it runs: every repetition measures
// the bare trip and the channel back to back (alternating which goes first) and the cost ratio is
// taken per repetition, then the median of those ratios is reported. A ratio of two medians
// taken at different moments would mostly measure the drift.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/command_channel.h"
#include "devicelink/commands.h"
#include "devicelink/discovery.h"
#include "platform/hid/hid_device.h"
#include "platform/trace.h"
#include "support/temp_dir.h"
#include "vdev/virtual_device.h"

using namespace quasar;

namespace {

// Runs fn for about `seconds` and returns calls per second; false from fn aborts.
double rate(const std::function<bool()>& fn, double seconds) {
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    long calls = 0;
    while (clock::now() < end) {
        for (int i = 0; i < 64; ++i) {
            if (!fn()) {
                std::fprintf(stderr, "bench_channel: a transaction failed\n");
                std::exit(1);
            }
        }
        calls += 64;
    }
    return calls / std::chrono::duration<double>(clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

bool parsePositive(const char* text, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v > 0)) return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 1.0;
    double repetitions = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view prefix) -> const char* {
            return arg.substr(0, prefix.size()) == prefix ? argv[i] + prefix.size() : nullptr;
        };
        bool good = false;
        if (const char* v = value("--seconds="))
            good = parsePositive(v, seconds);
        else if (const char* r = value("--repetitions="))
            good = parsePositive(r, repetitions);
        else if (const char* b = value("--benchmark_repetitions="))
            good = parsePositive(b, repetitions);
        else if (!arg.starts_with("-"))
            good = parsePositive(argv[i], seconds);
        if (!good) {
            std::fprintf(stderr,
                         "usage: bench_channel [seconds] [--seconds=S] [--repetitions=N]\n");
            return 2;
        }
    }
    const int rounds = std::max(1, static_cast<int>(repetitions));
    trace::setEnabled(false);

    testing::TempDir temp;
    vdev::VirtualDeviceHost host(temp.path());
    const int kb = host.addDevice(vdev::DeviceModel::Keyboard);
    if (kb < 0 || !host.start()) {
        std::fprintf(stderr, "bench_channel: virtual device did not start\n");
        return 1;
    }
    testing::ScopedEnv sysfs("QUASAR_SYSFS_ROOT", host.sysfsRoot());
    testing::ScopedEnv dev("QUASAR_DEV_ROOT", host.devRoot());

    InterfaceSlots slots;
    HidDevice probe;
    claimNewInterfaces(probe, slots);
    if (!slots[0].connected) {
        std::fprintf(stderr, "bench_channel: keyboard command interface not found\n");
        return 1;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string node = host.nodePath(kb);
    std::strncpy(addr.sun_path, node.c_str(), sizeof addr.sun_path - 1);

    // Every client of a node gets every answer, so the bare client and the channel never share
    // the node: each measurement has it to itself.
    const auto request = buildRequest(static_cast<std::uint8_t>(CommandCode::ReadStatus), 8, 0);
    int raw = -1;
    auto bare = [&] {
        if (::send(raw, request.data(), request.size(), MSG_NOSIGNAL) != 64) return false;
        std::uint8_t answer[64];
        for (;;) {
            ssize_t n = ::recv(raw, answer, sizeof answer, 0);
            if (n <= 0) return false;
            if (answer[0] == 4 && answer[3] == request[3]) return true;
        }
    };
    CommandChannel channel;
    auto transact = [&] {
        std::uint8_t answer[64];
        return channel.transact(request.data(), request.size(), answer, sizeof answer, nullptr) ==
               kStatusOk;
    };
    // The same exchange through HidDevice alone, to tell the channel's own cost from the cost of
    // the HID layer under it.
    auto hid = [&] {
        HidDevice& device = channel.cableInterface();
        if (!device.write(request.data(), 64, nullptr, CommandChannel::kCableTimeoutMs))
            return false;
        std::uint8_t answer[64];
        for (int i = 0; i < 2; ++i)
            if (device.read(answer, 64, nullptr, CommandChannel::kCableTimeoutMs) &&
                answer[3] == request[3])
                return true;
        return false;
    };
    std::uint8_t status[8];
    auto command = [&] { return ReadStatus(channel, status, sizeof status, 0) == kStatusOk; };

    auto measureBare = [&] {
        raw = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (raw < 0 || ::connect(raw, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            std::fprintf(stderr, "bench_channel: cannot connect to %s\n", node.c_str());
            std::exit(1);
        }
        const double r = rate(bare, seconds);
        ::close(raw);
        return r;
    };
    std::vector<double> bareRates, hidRates, channelRates, commandRates, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order so neither path always runs on the warmer (or busier) side.
        double b = round % 2 ? 0.0 : measureBare();
        if (!openChannel(channel, slots[0].devicePath, CommandChannel::kCableMode)) {
            std::fprintf(stderr, "bench_channel: cannot open %s\n", slots[0].devicePath.c_str());
            return 1;
        }
        hidRates.push_back(rate(hid, seconds));
        const double c = rate(transact, seconds);
        channelRates.push_back(c);
        commandRates.push_back(rate(command, seconds));
        closeChannel(channel);
        if (round % 2) b = measureBare();
        bareRates.push_back(b);
        ratios.push_back(b / c);
        std::printf("repetition %d: bare %8.0f /s, HidDevice %8.0f /s, channel %8.0f /s, "
                    "command %8.0f /s, channel/bare time %.2f\n",
                    round + 1, b, hidRates.back(), c, commandRates.back(), b / c);
    }

    const double b = median(bareRates), h = median(hidRates), c = median(channelRates),
                 r = median(commandRates), q = median(ratios);
    const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf("medians of %d repetitions of %.2f s each:\n", rounds, seconds);
    std::printf("bare SOCK_SEQPACKET round trip : %10.0f /s  (%6.1f us)\n", b, 1e6 / b);
    std::printf("HidDevice write + read         : %10.0f /s  (%6.1f us)\n", h, 1e6 / h);
    std::printf("CommandChannel::transact       : %10.0f /s  (%6.1f us)\n", c, 1e6 / c);
    std::printf("ReadStatus command             : %10.0f /s  (%6.1f us)\n", r, 1e6 / r);
    std::printf("channel time / bare time       : %10.2f  (per repetition %.2f..%.2f)\n", q, *lo,
                *hi);
    std::printf("channel time / HidDevice time  : %10.2f\n", h / c);
    return 0;
}
