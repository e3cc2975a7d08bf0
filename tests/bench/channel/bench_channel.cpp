// Transactions per second: a bare SOCK_SEQPACKET write-and-read round trip to the virtual
// device's node, a full CommandChannel transaction, and the ReadStatus command built on it, all
// against the same device in one run. Prints the three rates and the channel's cost relative to
// the bare round trip.

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
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
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

    std::vector<double> bareRates, hidRates, channelRates, commandRates;
    for (int round = 0; round < 3; ++round) {
        raw = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (raw < 0 || ::connect(raw, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            std::fprintf(stderr, "bench_channel: cannot connect to %s\n", node.c_str());
            return 1;
        }
        bareRates.push_back(rate(bare, seconds));
        ::close(raw);

        if (!openChannel(channel, slots[0].devicePath, CommandChannel::kCableMode)) {
            std::fprintf(stderr, "bench_channel: cannot open %s\n", slots[0].devicePath.c_str());
            return 1;
        }
        hidRates.push_back(rate(hid, seconds));
        channelRates.push_back(rate(transact, seconds));
        commandRates.push_back(rate(command, seconds));
        closeChannel(channel);
    }

    const double b = median(bareRates), h = median(hidRates), c = median(channelRates),
                 r = median(commandRates);
    std::printf("bare SOCK_SEQPACKET round trip : %10.0f /s  (%6.1f us)\n", b, 1e6 / b);
    std::printf("HidDevice write + read         : %10.0f /s  (%6.1f us)\n", h, 1e6 / h);
    std::printf("CommandChannel::transact       : %10.0f /s  (%6.1f us)\n", c, 1e6 / c);
    std::printf("ReadStatus command             : %10.0f /s  (%6.1f us)\n", r, 1e6 / r);
    std::printf("channel time / bare time       : %10.2f  (channel adds %.0f%%)\n", b / c,
                (b / c - 1.0) * 100.0);
    std::printf("channel time / HidDevice time  : %10.2f  (channel adds %.0f%%)\n", h / c,
                (h / c - 1.0) * 100.0);
    return 0;
}
