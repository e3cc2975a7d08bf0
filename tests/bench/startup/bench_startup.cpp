// Start-up of the desktop program to a shown main window, with no device: starts
// `quasar --exit-after-show` N times and reports the median, fastest and slowest time from the
// start of the process to the line "shown" on its output, and the largest peak resident size.
//
//   bench_startup [runs (default 15)] [path of quasar]
//
// Runs offscreen when no display is set. Settings and data folders are temporary.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Run {
    double shownMs = -1; // wall time from spawn to "shown"
    long peakRssKb = 0;
    int status = -1;
};

Run runOnce(const std::string& program) {
    Run r;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::string a0 = program, a1 = "--exit-after-show";
    char* argv[] = {a0.data(), a1.data(), nullptr};
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return r;
    }
    std::string got;
    char buf[256];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0) break;
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
        if (r.shownMs < 0 && got.find("shown") != std::string::npos)
            r.shownMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                            .count();
    }
    close(out[0]);
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) == pid) {
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.peakRssKb = ru.ru_maxrss;
    }
    return r;
}

std::string makeTemp() {
    char pattern[] = "/tmp/quasar-bench-XXXXXX";
    const char* d = mkdtemp(pattern);
    return d ? d : "/tmp";
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::string program = argc > 2 ? argv[2] : QUASAR_PROGRAM;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string tmp = makeTemp();
    setenv("XDG_CONFIG_HOME", (tmp + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (tmp + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", tmp.c_str(), 1);
    unsetenv("QUASAR_TRACE");

    runOnce(program); // warm the file cache; not counted
    std::vector<double> times;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        Run r = runOnce(program);
        if (r.status != 0 || r.shownMs < 0) {
            std::fprintf(stderr, "bench_startup: run %d failed (status %d)\n", i, r.status);
            return 1;
        }
        times.push_back(r.shownMs);
        peak = std::max(peak, r.peakRssKb);
    }
    std::sort(times.begin(), times.end());
    double median = times.size() % 2 ? times[times.size() / 2]
                                     : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("startup to shown window (%s, %d runs): median %.1f ms, min %.1f ms, max %.1f ms\n",
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "display", runs,
                median, times.front(), times.back());
    std::printf("each run (ms, sorted):");
    for (double t : times) std::printf(" %.0f", t);
    std::printf("\n");
    std::printf("peak resident size: %.1f MB (largest of the runs)\n", peak / 1024.0);
    std::printf("targets: under 300 ms, under 80 MB: %s\n",
                median < 300 && peak < 80 * 1024 ? "met" : "NOT met");
    std::string cleanup = "rm -rf '" + tmp + "'";
    if (tmp.rfind("/tmp/quasar-bench-", 0) == 0 && std::system(cleanup.c_str()) != 0) return 1;
    return 0;
}
