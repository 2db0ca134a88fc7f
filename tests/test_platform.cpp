// SPDX-License-Identifier: Zlib
// The platform calls (app/platform.h) with the same expectations on every platform the program is
// built for: Linux here, Windows under wine (tools/test.sh runs both).
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include "app/files.h"
#include "app/platform.h"

namespace fs = std::filesystem;

TEST(Platform, ProgramDirIsTheFolderOfThisProgram) {
    std::string dir = platform_program_dir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE('/', dir.back());
    EXPECT_NE('\\', dir.back());
    // The folder, not the program's own path, and not the working folder (CTest runs the tests
    // elsewhere only by chance, so the program's name is what is checked).
    EXPECT_TRUE(fs::exists(fs::path(dir) / "test_platform") || fs::exists(fs::path(dir) / "test_platform.exe")) << dir;
}

// APPDATA first, where it is set; made with every missing parent, twice without harm.
TEST(Platform, UserBaseFollowsAppDataAndFoldersAreMadeWithTheirParents) {
    fs::path root = fs::temp_directory_path() / "glitz_platform_test";
    fs::remove_all(root);
    std::string appdata = (root / "roaming").string();
    const char *old = getenv("APPDATA");
    std::string kept = old ? old : "";
    ASSERT_EQ(0, setenv("APPDATA", appdata.c_str(), 1));
    EXPECT_EQ(appdata, platform_user_base());

    std::string deep = appdata + "/one/two/GameName";
    platform_make_dirs(deep.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
    platform_make_dirs(deep.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
    std::string user = user_dir();   // made on the way
    EXPECT_EQ(appdata + "/", user.substr(0, appdata.size() + 1));
    EXPECT_TRUE(fs::is_directory(user));

    if (old) setenv("APPDATA", kept.c_str(), 1);
    else unsetenv("APPDATA");
    fs::remove_all(root);
}

// The socket layer starts (Windows Sockets grant 1.1 when asked for it) and its clean-up runs once
// for each start: a second start after a clean-up works again.
TEST(Platform, SocketLayerStartsAndStopsInPairs) {
    EXPECT_TRUE(platform_net_start());
    platform_net_stop();
    EXPECT_EQ(0, net_init());
    net_quit();
    net_quit();   // no second clean-up
    EXPECT_EQ(0, net_init());
    net_quit();
}
