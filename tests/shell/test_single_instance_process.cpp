// The single-instance rule with real processes: the program started twice for one user.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "profiles/jsonfileio.h"
#include "support/temp_dir.h"

extern char** environ;

using quasar::testing::TempDir;

namespace {

// Starts the program with stdout and stderr going to files; returns the process id.
pid_t start(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
    std::vector<char*> argv;
    std::string program = QUASAR_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

// Exit status, or -1 when the process is still running after `seconds`.
int waitFor(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

std::string text(const std::string& path) { return quasar::JsonFileIo().readFileText(path); }

bool waitForText(const std::string& path, const std::string& needle, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        if (text(path).find(needle) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST(SingleInstanceProcess, SecondCopyWakesTheFirstAndEndsWithoutAWindow) {
    TempDir dir;
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QUASAR_TRACE", "1", 1);

    pid_t first = start({}, dir.file("first.out"), dir.file("first.err"));
    ASSERT_GT(first, 0);
    const std::string socket = dir.file("Brimlet Quasar+ 88-Key RGB Keyboard.sock");
    // The first copy is up once its window has been brought to the front after start-up.
    bool up = waitForText(dir.file("first.err"), "main window: to the front", 30);
    if (!up) kill(first, SIGKILL);
    ASSERT_TRUE(up) << text(dir.file("first.err"));
    ASSERT_TRUE(std::filesystem::exists(socket));

    pid_t second = start({}, dir.file("second.out"), dir.file("second.err"));
    ASSERT_GT(second, 0);
    int secondStatus = waitFor(second, 30);
    EXPECT_EQ(secondStatus, 0) << text(dir.file("second.err"));
    // It never built a window.
    EXPECT_EQ(text(dir.file("second.err")).find("InitWindow"), std::string::npos);

    // The first copy was woken and came to the front a second time.
    EXPECT_TRUE(waitForText(dir.file("first.err"), "single instance: woken by a second copy", 30));
    bool raisedAgain = false;
    for (int i = 0; i < 3000 && !raisedAgain; ++i) {
        std::string e = text(dir.file("first.err"));
        size_t woke = e.find("single instance: woken by a second copy");
        raisedAgain = woke != std::string::npos &&
                      e.find("main window: to the front", woke) != std::string::npos;
        if (!raisedAgain) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(raisedAgain) << text(dir.file("first.err"));
    EXPECT_EQ(waitFor(first, 0), -1); // still running

    // SIGTERM ends it the way "exit" does: status 0 and its socket removed.
    kill(first, SIGTERM);
    EXPECT_EQ(waitFor(first, 30), 0);
    EXPECT_FALSE(std::filesystem::exists(socket));
    // With the first copy gone the next start is a first copy again (the lock went with it).
    pid_t third = start({}, dir.file("third.out"), dir.file("third.err"));
    bool thirdUp = waitForText(dir.file("third.err"), "main window: to the front", 30);
    kill(third, SIGTERM);
    waitFor(third, 30);
    EXPECT_TRUE(thirdUp) << text(dir.file("third.err"));
}
