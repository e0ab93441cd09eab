// The command line every runtime shares, run against real archives joined behind a stand-in
// stub: what each option prints, what it writes and how it fails.

#include "RuntimeCommandLine.h"
#include "../platform/TempDir.h"
#include "FilePacker.h"
#include "RuntimeArchive.h"
#include "cFilePacker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Captures what a command writes to one of its two streams.
class TCapture {
public:
    TCapture() : file(std::tmpfile()) {}
    ~TCapture() { std::fclose(file); }
    std::FILE* get() const { return file; }
    std::string Text() const {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        return text;
    }

private:
    std::FILE* file;
};

TRuntimeIdentity Identity() {
    return {"Sky.scr", "screensaver", "9.8.7", "  --run             play\n"};
}

class RuntimeCommandLine : public testing::Test {
protected:
    fs::path root;
    fs::path joined;
    std::vector<fs::path> inputs;

    void SetUp() override {
        root = fs::temp_directory_path() / ("gld-rcl-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "a");
        fs::create_directories(root / "b");
        // Two files of the same name from two folders, as a project may list them.
        inputs = {root / "a" / "intro.swf", root / "b" / "intro.swf", root / "a" / "show.gldp"};
        WriteFileBytes(inputs[0], std::string(70000, 'A') + "first");
        WriteFileBytes(inputs[1], "second");
        WriteFileBytes(inputs[2], "[General Information]\r\nProjectName=Sky\r\n");
        const fs::path archive = root / "pack.tmp";
        {
            TFilePacker packer;
            packer.Open(archive.string());
            std::vector<std::string> names;
            for (const auto& input : inputs)
                names.push_back(input.string());
            ASSERT_EQ(packer.AddFiles(names), 3);
        }
        WriteFileBytes(root / "stub", "#!stub bytes\x7f\x01");
        joined = root / "Sky.scr";
        TFilePackerExt::Merge((root / "stub").string(), archive.string(), joined.string());
    }
    void TearDown() override { fs::remove_all(root); }

    int Run(const std::vector<std::string>& args, std::string* out = nullptr,
            std::string* err = nullptr, const TRuntimeHooks& hooks = {},
            const fs::path& file = {}) {
        TCapture o, e;
        const int status =
            RunCommonCommand(ParseCommonOptions(args), Identity(), hooks,
                             (file.empty() ? joined : file).string(), o.get(), e.get());
        if (out) *out = o.Text();
        if (err) *err = e.Text();
        return status;
    }
};

} // namespace

TEST(RuntimeOptions, SharedOptionsAreRecognisedAndTheRestLeftToTheRuntime) {
    EXPECT_EQ(ParseCommonOptions({"--list"}).command, TCommonCommand::List);
    EXPECT_EQ(ParseCommonOptions({"--test"}).command, TCommonCommand::Test);
    EXPECT_EQ(ParseCommonOptions({"--help"}).command, TCommonCommand::Help);
    EXPECT_EQ(ParseCommonOptions({"/?"}).command, TCommonCommand::Help);
    EXPECT_EQ(ParseCommonOptions({"--version"}).command, TCommonCommand::Version);
    const TCommonRequest extract = ParseCommonOptions({"--extract", "out dir"});
    EXPECT_EQ(extract.command, TCommonCommand::Extract);
    EXPECT_EQ(extract.folder, "out dir");

    EXPECT_EQ(ParseCommonOptions({}).command, TCommonCommand::None);
    EXPECT_EQ(ParseCommonOptions({"--run"}).command, TCommonCommand::None);
    EXPECT_EQ(ParseCommonOptions({"/s"}).command, TCommonCommand::None);

    EXPECT_EQ(ParseCommonOptions({"--extract"}).command, TCommonCommand::UsageError);
    EXPECT_EQ(ParseCommonOptions({"--extract", ""}).command, TCommonCommand::UsageError);
    const TCommonRequest extra = ParseCommonOptions({"--list", "now"});
    EXPECT_EQ(extra.command, TCommonCommand::UsageError);
    EXPECT_NE(extra.error.find("now"), std::string::npos);
}

TEST_F(RuntimeCommandLine, HelpNamesTheSharedAndTheRuntimesOwnOptionsAndUsageErrorsExitTwo) {
    std::string out, err;
    EXPECT_EQ(Run({"--help"}, &out, &err), 0);
    for (const char* option : {"--run", "--list", "--extract FOLDER", "--test", "--version"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(Run({"--extract"}, &out, &err), 2);
    EXPECT_NE(err.find("--extract needs a folder."), std::string::npos) << err;
    EXPECT_NE(err.find("Usage: Sky.scr"), std::string::npos) << err;
}

TEST_F(RuntimeCommandLine, ListTestAndExtractWorkOnTheArchiveBehindTheStub) {
    std::string out, err;
    ASSERT_EQ(Run({"--list"}, &out, &err), 0) << err;
    for (const auto& input : inputs)
        EXPECT_NE(out.find(input.string()), std::string::npos) << out;
    EXPECT_NE(out.find("3 file(s)"), std::string::npos);

    ASSERT_EQ(Run({"--test"}, &out, &err), 0) << err;
    EXPECT_NE(out.find("3 file(s) OK"), std::string::npos);

    const fs::path target = root / "out";
    ASSERT_EQ(Run({"--extract", target.string()}, &out, &err), 0) << err;
    EXPECT_EQ(ReadFileBytes(target / "intro.swf"), ReadFileBytes(inputs[0]));
    // The second file of the same name does not overwrite the first.
    EXPECT_EQ(ReadFileBytes(target / "intro (2).swf"), "second");
    EXPECT_EQ(ReadFileBytes(target / "show.gldp"), ReadFileBytes(inputs[2]));
}

TEST_F(RuntimeCommandLine, LookUpsGoByStoredPathThenByNamePart) {
    auto archive = TRuntimeArchive::Open(joined.string());
    EXPECT_EQ(archive->Find(inputs[1].string()), 1u);
    // A project made elsewhere names the same file by another folder, even with "\".
    EXPECT_EQ(archive->Find("C:\\Movies\\INTRO.swf"), 0u);
    EXPECT_EQ(archive->Find("C:\\Movies\\intro.swf", 1), 1u);
    EXPECT_EQ(archive->Find("other.swf"), std::nullopt);
    EXPECT_EQ(archive->FindLastWithExtension(".GLDP"), 2u);
    EXPECT_EQ(archive->Read(1), std::vector<uint8_t>({'s', 'e', 'c', 'o', 'n', 'd'}));
    EXPECT_THROW(archive->Read(0, 100), EArchiveDamaged);
}

TEST_F(RuntimeCommandLine, HooksAddToTestAndVersion) {
    TRuntimeHooks hooks;
    hooks.describe = [](TRuntimeArchive& archive) {
        return "carries " + std::to_string(archive.Entries().size()) + " files";
    };
    hooks.test_contents = [](TRuntimeArchive&, std::FILE*) {
        throw std::runtime_error("The movie \"intro.swf\" is no Flash movie.");
    };
    std::string out, err;
    EXPECT_EQ(Run({"--version"}, &out, &err, hooks), 0);
    EXPECT_NE(out.find("9.8.7"), std::string::npos) << out;
    EXPECT_NE(out.find("carries 3 files"), std::string::npos) << out;
    EXPECT_EQ(Run({"--test"}, &out, &err, hooks), 1);
    EXPECT_NE(err.find("is no Flash movie."), std::string::npos) << err;

    // Without an archive the version is still known.
    EXPECT_EQ(Run({"--version"}, &out, &err, hooks, root / "stub"), 0);
    EXPECT_NE(out.find("9.8.7"), std::string::npos) << out;
}

TEST_F(RuntimeCommandLine, DamagedArchivesFailWithAMessageAndLeaveNoFileBehind) {
    std::string bytes = ReadFileBytes(joined);
    // A byte inside the first movie's compressed data: the block's checksum no longer holds.
    bytes[ReadFileBytes(root / "stub").size() + 4 + 20 + 4] ^= 0x5a;
    const fs::path damaged = root / "damaged.scr";
    WriteFileBytes(damaged, bytes);
    std::string out, err;
    EXPECT_EQ(Run({"--test"}, &out, &err, {}, damaged), 1);
    EXPECT_FALSE(err.empty());
    const fs::path target = root / "from-damaged";
    EXPECT_EQ(Run({"--extract", target.string()}, &out, &err, {}, damaged), 1);
    EXPECT_FALSE(fs::exists(target / "intro.swf"));

    // Cut short, the file has no archive to find at all.
    WriteFileBytes(damaged, bytes.substr(0, bytes.size() - 3));
    EXPECT_EQ(Run({"--list"}, &out, &err, {}, damaged), 1);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(Run({"--list"}, &out, &err, {}, root / "missing.scr"), 1);
}
