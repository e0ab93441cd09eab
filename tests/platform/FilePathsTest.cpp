#include "FilePaths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "TempDir.h"

TEST(FilePaths, WindowsAndPosixPathsSplitAlike) {
    EXPECT_EQ(ExtractFileName("C:\\Work\\demo.gldp"), "demo.gldp");
    EXPECT_EQ(ExtractFilePath("C:\\Work\\demo.gldp"), "C:\\Work\\");
    EXPECT_EQ(ExtractFileDir("C:\\Work\\demo.gldp"), "C:\\Work");
    EXPECT_EQ(ExtractFileDir("C:\\demo.gldp"), "C:\\");
    EXPECT_EQ(ExtractFileName("C:demo.gldp"), "demo.gldp");
    EXPECT_EQ(ExtractFileName("/home/a/demo.gldp"), "demo.gldp");
    EXPECT_EQ(ExtractFileDir("/demo.gldp"), "/");
    EXPECT_EQ(ExtractFilePath("demo.gldp"), "");
}

TEST(FilePaths, ExtensionIsTakenFromTheNameOnly) {
    EXPECT_EQ(ExtractFileExt("C:\\my.work\\demo"), "");
    EXPECT_EQ(ExtractFileExt("/a/my.project.gldp"), ".gldp");
    EXPECT_EQ(ChangeFileExt("/my.dir/demo", ".log"), "/my.dir/demo.log");
    EXPECT_EQ(ChangeFileExt("C:\\Work\\demo.gldp", ".bak"), "C:\\Work\\demo.bak");
    EXPECT_EQ(ChangeFileExt("demo.tar.gz", ""), "demo.tar");
}

TEST(FilePaths, JoinsAndTrailingSeparators) {
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), std::string("/tmp") + PathDelim);
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(FilePaths, FileAndFolderFacts) {
    TTempDir dir;
    WriteFileBytes(dir / "f.swf", "x");
    EXPECT_TRUE(FileExists(dir / "f.swf"));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(FolderExists(dir.Path()));
    EXPECT_FALSE(FolderExists(dir / "f.swf"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
    EXPECT_TRUE(FolderExists(dir / "a/b/c"));
    EXPECT_FALSE(ForceDirectories(dir / "f.swf/sub"));
}

TEST(FilePaths, TempFolderHonoursTmpdirAndEndsWithSeparator) {
    TTempDir dir;
    const char* saved = std::getenv("TMPDIR");
    std::string old = saved ? saved : "";
    setenv("TMPDIR", dir.Path().c_str(), 1);
    EXPECT_EQ(TempFolder(), dir.Path() + "/");
    setenv("TMPDIR", (dir / "missing").c_str(), 1);
    EXPECT_EQ(TempFolder(), "/tmp/");
    if (saved)
        setenv("TMPDIR", old.c_str(), 1);
    else
        unsetenv("TMPDIR");
}
