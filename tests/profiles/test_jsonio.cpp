#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "profiles/jsonfileio.h"
#include "support/temp_dir.h"

using quasar::JsonFileIo;

namespace {

void writeRaw(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(JsonFileIo, UnusableFilesReadAsNull) {
    quasar::testing::TempDir dir;
    JsonFileIo io;
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not json", "hello {"},
        {"truncated", "{\"Device\":[{\"KeyList\":[1,2"},
        {"binary", std::string("\x00\xff\x10\x80", 4)},
        {"deep", std::string(100000, '[')},
    };
    for (const auto& c : cases) {
        writeRaw(dir.file("f.json"), c.bytes);
        EXPECT_TRUE(io.readJsonFile(dir.file("f.json")).isNull()) << c.name;
    }
    EXPECT_TRUE(io.readJsonFile(dir.file("missing.json")).isNull());
    EXPECT_TRUE(io.readJsonFile(dir.path()).isNull()) << "a folder is not a file";
}

// A path the user names may be a FIFO or a device: it reads as null, and at once, instead of
// waiting for a writer or reading an endless stream.
TEST(JsonFileIo, SpecialFilesReadAsNullWithoutWaiting) {
    quasar::testing::TempDir dir;
    const std::string fifo = dir.file("pipe.json");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        auto reading =
            std::async(std::launch::async, [path] { return JsonFileIo().readJsonFile(path); });
        if (reading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Release a reader stuck in open() so the test ends; the test has failed.
            int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            ADD_FAILURE() << path << " blocked the reader";
        }
        EXPECT_TRUE(reading.get().isNull()) << path;
    }
}

TEST(JsonFileIo, RoundTripKeepsUnicodeAndAcceptsComments) {
    quasar::testing::TempDir dir;
    JsonFileIo io;
    Json::Value v;
    v["profilename"] = "Profil Größe 日本語 🎮";
    v["Device"][0]["KeyList"][0]["Assignment"] = 2097152 + 41;
    ASSERT_TRUE(io.writeJsonFile(dir.file("p.Json"), v));
    EXPECT_EQ(io.readJsonFile(dir.file("p.Json")), v);

    writeRaw(dir.file("c.json"), "// note\n{ /* a */ \"a\": 1 }\n");
    EXPECT_EQ(io.readJsonFile(dir.file("c.json"))["a"].asInt(), 1);

    // Nothing is left beside the file.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        (void)e, ++entries;
    EXPECT_EQ(entries, 2);
}

TEST(JsonFileIo, FailedWriteKeepsOldFile) {
    quasar::testing::TempDir dir;
    JsonFileIo io;
    Json::Value v;
    v["a"] = 1;
    ASSERT_TRUE(io.writeJsonFile(dir.file("p.Json"), v));
    // A folder that cannot be written to stands for a full disk: the old file must survive.
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    Json::Value w;
    w["a"] = 2;
    bool wrote = io.writeJsonFile(dir.file("p.Json"), w);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    if (::geteuid() != 0) {
        EXPECT_FALSE(wrote);
    }
    EXPECT_EQ(io.readJsonFile(dir.file("p.Json"))["a"].asInt(), wrote ? 2 : 1);
    EXPECT_FALSE(io.writeJsonFile(dir.file("no/such/folder/p.Json"), w));
}

TEST(JsonFileIo, TimestampNamesAreFormattedAndUnique) {
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        std::string name = quasar::makeTimestampName();
        ASSERT_EQ(name.size(), 23u) << name; // 2026_12_11_04_05_07_042
        EXPECT_TRUE(seen.insert(name).second) << "duplicate " << name;
    }
}

TEST(JsonFileIo, StringHelpers) {
    EXPECT_EQ(quasar::toHex8(0x320F5064u), "320F5064");
    EXPECT_EQ(quasar::toHex8(0), "00000000");
    const std::u16string text = u"Größe 日本 \U0001F3AE";
    EXPECT_EQ(quasar::fromUtf8(quasar::toUtf8(text)), text);
    EXPECT_EQ(quasar::fromUtf8("\xff"
                               "a\xc3"),
              u"\uFFFDa\uFFFD");
    EXPECT_EQ(quasar::toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");

    struct Case {
        const char* name;
        bool ok;
        const char* prefix;
        int number;
    } cases[] = {
        {"DPI_slider_3", true, "DPI_slider_", 3},
        {"key_12", true, "key_", 12},
        {"key12", false, "", 0},
        {"key_", false, "", 0},
        {"key_x1", false, "", 0},
        {"_7", true, "_", 7},
    };
    for (const auto& c : cases) {
        std::string prefix;
        int number = -1;
        EXPECT_EQ(quasar::splitIndexedName(c.name, prefix, number), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(prefix, c.prefix);
            EXPECT_EQ(number, c.number);
        }
    }
    EXPECT_EQ(JsonFileIo::fileTitle("/a/b/2021_03_09.Json"), "2021_03_09");
}
