// The program as a real process: started twice for one user, screenshots, a broken skin.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
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

// Width and height from a PNG header; 0, 0 when the file is no PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& path) {
    std::string b = text(path);
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](size_t o) {
        return (unsigned char)b[o] << 24 | (unsigned char)b[o + 1] << 16 |
               (unsigned char)b[o + 2] << 8 | (unsigned char)b[o + 3];
    };
    return {be32(16), be32(20)};
}

void isolate(const TempDir& dir) {
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("QUASAR_DATA_DIR");
}

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
    isolate(dir);
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

TEST(QuasarProcess, ScreenshotsOfTheMainWindowAndTheKeyboardPage) {
    TempDir dir;
    isolate(dir);
    unsetenv("QUASAR_TRACE");
    struct Case {
        std::vector<std::string> args;
        const char* file;
    } cases[] = {{{"--screenshot", dir.file("main.png")}, "main.png"},
                 {{"--screenshot", dir.file("kb.png"), "--page", "keyboard"}, "kb.png"}};
    for (const Case& c : cases) {
        pid_t p = start(c.args, dir.file("out"), dir.file("err"));
        ASSERT_GT(p, 0);
        int status = waitFor(p, 60);
        if (status == -1) kill(p, SIGKILL);
        EXPECT_EQ(status, 0) << text(dir.file("err"));
        EXPECT_EQ(pngSize(dir.file(c.file)), (std::pair<unsigned, unsigned>(1000, 640))) << c.file;
    }
    // A page nobody knows is a usage error, not a screenshot of something else.
    pid_t p = start({"--screenshot", dir.file("x.png"), "--page", "toaster"}, dir.file("out"),
                    dir.file("err"));
    EXPECT_EQ(waitFor(p, 60), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST(QuasarProcess, MissingOrDamagedMainLayoutIsNamedAndFails) {
    TempDir dir;
    isolate(dir);
    unsetenv("QUASAR_TRACE");
    // A program folder whose skin has an index but a broken main layout.
    std::filesystem::create_directories(dir.file("prog/skin/XML"));
    std::filesystem::create_directories(dir.file("prog/DefaultData"));
    {
        std::ofstream(dir.file("prog/skin/res.xml"))
            << "<Res><File name=\"XML_MAIN\" path=\"XML/main.xml\"/></Res>";
    }
    setenv("QUASAR_DATA_DIR", dir.file("prog").c_str(), 1);
    for (const char* content : {static_cast<const char*>(nullptr), "<ui version=\"4.0\"><widget cl"}) {
        if (content) std::ofstream(dir.file("prog/skin/XML/main.xml")) << content;
        pid_t p = start({"--screenshot", dir.file("shot.png")}, dir.file("out"), dir.file("err"));
        int status = waitFor(p, 60);
        if (status == -1) kill(p, SIGKILL);
        EXPECT_EQ(status, 1) << (content ? "damaged" : "missing");
        EXPECT_NE(text(dir.file("err")).find("XML/main.xml"), std::string::npos) << text(dir.file("err"));
        EXPECT_FALSE(std::filesystem::exists(dir.file("shot.png")));
    }
    unsetenv("QUASAR_DATA_DIR");
}
