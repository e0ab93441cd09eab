#include "Shell.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "TempDir.h"

TEST(Shell, HeadlessTypeNames) {
    EXPECT_EQ(ShellTypeName("C:\\Movies\\intro.SWF"), "Flash Movie");
    EXPECT_EQ(ShellTypeName("/a/b.gldp"), "Glimmerdrome Project");
    EXPECT_EQ(ShellTypeName("/a/b.xyz"), "XYZ File");
    EXPECT_EQ(ShellTypeName("/a/noext"), "File");
    EXPECT_LE(ShellTypeName("/a/b." + std::string(200, 'q')).size(), 79u);
}

TEST(Shell, InstalledLayerAndDescriberAnswer) {
    struct TFake : THeadlessShell {
        std::string DisplayName(const std::string&) override { return "shown"; }
    } fake;
    InstallShell(&fake);
    EXPECT_EQ(ShellDisplayName("/x/y.swf"), "shown");
    InstallShell(nullptr);
    EXPECT_EQ(ShellDisplayName("/x/y.swf"), "y.swf");

    EXPECT_FALSE(ScreensaverDescription("/x/a.scr").has_value());
    InstallScreensaverDescriber(
        [](const std::string& p) { return std::optional<std::string>("D:" + p); });
    EXPECT_EQ(ScreensaverDescription("/x/a.scr").value_or(""), "D:/x/a.scr");
    InstallScreensaverDescriber(nullptr);
    EXPECT_FALSE(ScreensaverDescription("/x/a.scr").has_value());
}

TEST(Shell, DetachedScriptRunsWithoutBeingWaitedFor) {
    TTempDir dir;
    std::string marker = dir / "done";
    WriteFileBytes(dir / "s.sh", "sleep 1\necho ok > '" + marker + "'\n");
    EXPECT_TRUE(StartDetachedScript(dir / "s.sh"));
    // Had the call waited for the script, the marker would already be there.
    EXPECT_FALSE(std::filesystem::exists(marker));
    for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadFileBytes(marker), "ok\n");
    EXPECT_FALSE(StartDetachedScript(dir / "missing.sh"));
}
