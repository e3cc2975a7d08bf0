// A writer killed in the middle of saving leaves either the old or the new profile, never a torn
// one.

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "profile_test_util.h"
#include "profiles/data_folders.h"
#include "profiles/profile_document.h"

using namespace quasar;
using namespace quasar::testing;

TEST(KilledWriter, ProfileAlwaysParses) {
    TempDir dir;
    std::string profile = dir.file("p.Json");
    for (int round = 0; round < 6; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CKeyboardProfiledata doc;
            doc.setFallbackPath(factoryDefaultPath("keyboard"));
            doc.setProfilePath(profile);
            doc.loadSection(profile);
            for (unsigned n = 0;; ++n) {
                LightInfoValues li = doc.getLightInfo();
                li.red = static_cast<std::uint8_t>(n);
                doc.setLightInfo(li);
                doc.setCustomLightColors(
                    0, std::vector<CustomLightColor>(170, {std::uint8_t(n), 1, 2, 3}));
                doc.save();
            }
        }
        // Let the child get going (the first round also seeds the file), then kill it mid-write.
        for (int i = 0; i < 200 && !exists(profile); ++i)
            ::usleep(5000);
        ::usleep(20000 + 7000 * round);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer must have been running";

        Json::Value doc = readJson(profile);
        ASSERT_TRUE(doc.isObject()) << "round " << round;
        EXPECT_EQ(doc["Device"][0]["KeyList"].size(), 170u) << "round " << round;
        EXPECT_EQ(doc["Device"][0]["CustomLightMode"]["LightColorInfo"][0].size(), 170u);
    }
}
