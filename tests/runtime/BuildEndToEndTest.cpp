// gldbuild makes setup.exe; gldpack and the stubs themselves take it apart again. The movies
// come from our own generator and must come back byte for byte.

#include "../platform/TempDir.h"
#include "SwfGen.h"
#include "cScl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kProgramDir = GLD_PROGRAM_DIR;

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

struct TRun {
    int status = -1;
    std::string out, err;
};

class BuildEndToEnd : public testing::Test {
protected:
    fs::path root, project_dir, temp_dir;
    std::vector<fs::path> movies;
    fs::path project, icon, readme, licence;

    void SetUp() override {
        root = fs::temp_directory_path() / ("gld-e2e-" + std::to_string(::getpid()));
        fs::remove_all(root);
        project_dir = root / "Starlight project";
        temp_dir = root / "tmp";
        fs::create_directories(project_dir);
        fs::create_directories(temp_dir);
        for (int i = 0; i < 3; ++i) {
            TSwfParams params;
            params.theme = i;
            params.frames = 24 + 12 * i;
            params.compression = i == 1 ? TSwfCompression::Zlib : TSwfCompression::None;
            params.padding_bytes = i == 2 ? 500000 : 0; // one movie of two blocks
            movies.push_back(project_dir / ("movie " + std::to_string(i + 1) + ".swf"));
            WriteSwf(movies.back().string(), params);
        }
        icon = project_dir / "star.ico";
        WriteFileBytes(icon, std::string("\0\0\1\0\1\0", 6) + std::string(400, '\x42'));
        readme = project_dir / "readme.txt";
        WriteFileBytes(readme, "Starlight: three calm movies.\n");
        licence = project_dir / "licence.txt";
        WriteFileBytes(licence, "Free to share.\n");
        project = project_dir / "starlight.gldp";
        SaveProject("Starlight", {movies[0], movies[1], movies[2]});
    }

    void TearDown() override { fs::remove_all(root); }

    void SaveProject(const std::string& name, const std::vector<fs::path>& files) {
        TSCL scl;
        scl.Load(project.string());
        scl.ProjectName = name;
        scl.Files.clear();
        for (const auto& file : files)
            scl.Files.push_back(file.string());
        scl.Icon = icon.string();
        scl.ReadmeFile = readme.string();
        scl.LicenseFile = licence.string();
        scl.Save();
        scl.Release();
    }

    // Runs a program of the program folder (or any path) with its own temporary folder.
    TRun Run(const std::string& program, const std::vector<std::string>& args) {
        const fs::path out = root / "stdout.txt", err = root / "stderr.txt";
        std::string command = "TMPDIR=" + Quote(temp_dir.string()) + " " + Quote(program);
        for (const auto& arg : args)
            command += " " + Quote(arg);
        command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        const int raw = std::system(command.c_str());
        TRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadFileBytes(out);
        run.err = ReadFileBytes(err);
        fs::remove(out);
        fs::remove(err);
        return run;
    }
    std::string Tool(const std::string& name) const { return (kProgramDir / name).string(); }
};

} // namespace

TEST_F(BuildEndToEnd, SetupHoldsTheScreensaverWhichGivesBackTheMoviesByteForByte) {
    const auto before = Listing(project_dir);
    const TRun build = Run(Tool("gldbuild"), {project.string()});
    ASSERT_EQ(build.status, 0) << build.out << build.err;
    EXPECT_NE(build.out.find("Generate Installer Successfully"), std::string::npos) << build.out;

    // Only setup.exe is new: no screensaver, package, log or temporary file stays behind.
    auto after = before;
    after.insert("setup.exe");
    EXPECT_EQ(Listing(project_dir), after);
    EXPECT_TRUE(Listing(temp_dir).empty());

    const fs::path setup = project_dir / "setup.exe";
    const std::string stub = ReadFileBytes(kProgramDir / "inst.dll");
    EXPECT_EQ(ReadFileBytes(setup).substr(0, stub.size()), stub);

    // gldpack lists the screensaver, the project, the icon, readme and licence in that order.
    const TRun list = Run(Tool("gldpack"), {"list", setup.string()});
    ASSERT_EQ(list.status, 0) << list.err;
    const fs::path screensaver = project_dir / "Starlight.scr";
    std::vector<size_t> at;
    for (const auto& path : {screensaver, project, icon, readme, licence})
        at.push_back(list.out.find(path.string()));
    for (size_t i = 0; i < at.size(); ++i) {
        ASSERT_NE(at[i], std::string::npos) << i << "\n" << list.out;
        if (i > 0) {
            EXPECT_LT(at[i - 1], at[i]) << list.out;
        }
    }

    const fs::path unpacked = root / "unpacked", movies_out = root / "movies";
    const TRun extract = Run(Tool("gldpack"), {"extract", setup.string(), unpacked.string()});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(ReadFileBytes(unpacked / "readme.txt"), ReadFileBytes(readme));
    EXPECT_EQ(ReadFileBytes(unpacked / "starlight.gldp"), ReadFileBytes(project));
    const TRun inner = Run(Tool("gldpack"),
                           {"extract", (unpacked / "Starlight.scr").string(), movies_out.string()});
    ASSERT_EQ(inner.status, 0) << inner.err;
    for (const auto& movie : movies)
        EXPECT_EQ(ReadFileBytes(movies_out / movie.filename()), ReadFileBytes(movie)) << movie;
    EXPECT_EQ(ReadFileBytes(movies_out / "star.ico"), ReadFileBytes(icon));
}

TEST_F(BuildEndToEnd, TheStubsReadTheArchiveBehindThemselves) {
    ASSERT_EQ(Run(Tool("gldbuild"), {"--quiet", project.string()}).status, 0);
    const fs::path setup = project_dir / "setup.exe";
    // The joiner made it executable: it runs as it is.
    const TRun test = Run(setup.string(), {"--test"});
    EXPECT_EQ(test.status, 0) << test.err;
    const TRun list = Run(setup.string(), {"--list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("Starlight.scr"), std::string::npos) << list.out;

    const fs::path unpacked = root / "by-installer", movies_out = root / "by-screensaver";
    ASSERT_EQ(Run(setup.string(), {"--extract", unpacked.string()}).status, 0);
    EXPECT_EQ(ReadFileBytes(unpacked / "readme.txt"), ReadFileBytes(readme));

    ASSERT_EQ(Run(Tool("gldbuild"), {"--quiet", project.string(), "--screensaver"}).status, 0);
    const fs::path screensaver = project_dir / "Starlight.scr";
    const TRun inner = Run(screensaver.string(), {"--extract", movies_out.string()});
    ASSERT_EQ(inner.status, 0) << inner.err;
    for (const auto& movie : movies)
        EXPECT_EQ(ReadFileBytes(movies_out / movie.filename()), ReadFileBytes(movie)) << movie;
    const TRun help = Run(screensaver.string(), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--extract FOLDER"), std::string::npos) << help.out;
    const TRun version = Run(setup.string(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("installer runtime"), std::string::npos) << version.out;

    // A stub with nothing behind it says so and fails.
    const TRun bare = Run(Tool("saver.dll"), {"--list"});
    EXPECT_EQ(bare.status, 1);
    EXPECT_FALSE(bare.err.empty());
}

TEST_F(BuildEndToEnd, ScreensaverOnlyBuildLeavesTheScreensaverAndFailuresExitNonZero) {
    const auto before = Listing(project_dir);
    const TRun build = Run(Tool("gldbuild"), {project.string(), "--screensaver"});
    ASSERT_EQ(build.status, 0) << build.err;
    auto after = before;
    after.insert("Starlight.scr");
    EXPECT_EQ(Listing(project_dir), after);
    EXPECT_TRUE(Listing(temp_dir).empty());

    SaveProject("Starlight", {});
    const TRun empty = Run(Tool("gldbuild"), {project.string()});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("There is no flash file in this project."), std::string::npos)
        << empty.err;
    EXPECT_TRUE(fs::exists(project_dir / "starlight.log"));

    SaveProject("../Starlight", {movies[0]});
    EXPECT_EQ(Run(Tool("gldbuild"), {project.string(), "--screensaver"}).status, 1);
    EXPECT_FALSE(fs::exists(root / "Starlight.scr"));

    EXPECT_EQ(Run(Tool("gldbuild"), {(project_dir / "missing.gldp").string()}).status, 1);
    EXPECT_EQ(Run(Tool("gldbuild"), {}).status, 2);
    EXPECT_EQ(Run(Tool("gldbuild"), {"--frobnicate", project.string()}).status, 2);
    const TRun help = Run(Tool("gldbuild"), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--screensaver"), std::string::npos);
}
