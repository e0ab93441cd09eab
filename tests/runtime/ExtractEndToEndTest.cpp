// One hostile archive taken apart by each program that extracts: gldpack, the screensaver stub
// and the installer stub. They share one extractor, and each must keep to its rules: names cut
// to their last part, unsafe ones refused, nothing in the folder written through or replaced,
// repeats numbered, and no name's raw bytes on the terminal.

#include "../archive/ArchiveTestSupport.h"
#include "../platform/TempDir.h"

#include <gtest/gtest.h>

#include <set>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TRun {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

bool HasControlBytes(const std::string& text) {
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
    return false;
}

class ExtractEndToEnd : public ::testing::TestWithParam<std::string> {
protected:
    TRun Run(const std::string& program, const std::vector<std::string>& args) {
        std::string command = Quote(program);
        for (const auto& a : args)
            command += " " + Quote(a);
        command += " >" + Quote(dir / "out.txt") + " 2>" + Quote(dir / "err.txt");
        const int raw = std::system(command.c_str());
        TRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "out.txt"),
               Slurp(dir / "err.txt")};
        fs::remove(dir / "out.txt");
        fs::remove(dir / "err.txt");
        return r;
    }

    // The hostile archive, bare for gldpack, behind the stub for the stubs.
    std::string Package(const std::vector<uint8_t>& archive) {
        const std::string tool = GetParam();
        if (tool == "gldpack") {
            WriteAll(dir / "hostile.pak", archive);
            return dir / "hostile.pak";
        }
        std::vector<uint8_t> joined = ReadAll(std::string(GLD_PROGRAM_DIR) + "/" + tool);
        joined.insert(joined.end(), archive.begin(), archive.end());
        WriteAll(dir / "hostile.run", joined);
        fs::permissions(dir / "hostile.run", fs::perms::owner_all);
        return dir / "hostile.run";
    }

    TRun Extract(const std::string& package, const std::string& folder) {
        if (GetParam() == "gldpack")
            return Run(std::string(GLD_PROGRAM_DIR) + "/gldpack",
                       {"-v", "extract", package, folder});
        return Run(package, {"--extract", folder});
    }

    TRun List(const std::string& package) {
        if (GetParam() == "gldpack")
            return Run(std::string(GLD_PROGRAM_DIR) + "/gldpack", {"list", package});
        return Run(package, {"--list"});
    }

    TScratchFolder dir;
};

TEST_P(ExtractEndToEnd, KeepsToTheExtractorsRules) {
    const std::string package = Package(CraftArchive({
        {"/home/ann/Starlight/movie.swf", Text("movie")},
        {"C:\\Users\\ann\\readme.txt", Text("packed readme")},
        {"..", Text("escape")},
        {"/etc/../../outside.txt", Text("absolute")},
        {"title\x1b]0;owned\x07.swf", Text("terminal")},
        {"D:\\other\\intro.swf", Text("intro 1")},
        {"/again/intro.swf", Text("intro 2")},
    }));
    const std::string out = dir / "out";
    fs::create_directories(out);
    fs::create_directories(dir / "elsewhere");
    WriteText(dir / "elsewhere/victim", "precious");
    fs::create_symlink(dir / "elsewhere/victim", out + "/movie.swf");
    WriteText(out + "/readme.txt", "the user's readme");

    const TRun r = Extract(package, out);
    EXPECT_EQ(r.status, 1) << "two entries are refused\n" << r.out << r.err;
    EXPECT_FALSE(HasControlBytes(r.out)) << r.out;
    EXPECT_FALSE(HasControlBytes(r.err)) << r.err;
    EXPECT_NE(r.err.find("\\x1B]0;owned\\x07"), std::string::npos) << r.err;

    EXPECT_EQ(Slurp(dir / "elsewhere/victim"), "precious");
    EXPECT_TRUE(fs::is_symlink(out + "/movie.swf"));
    EXPECT_EQ(Slurp(out + "/readme.txt"), "the user's readme");
    EXPECT_EQ(Slurp(out + "/movie (2).swf"), "movie");
    EXPECT_EQ(Slurp(out + "/readme (2).txt"), "packed readme");
    EXPECT_EQ(Slurp(out + "/outside.txt"), "absolute");
    EXPECT_EQ(Slurp(out + "/intro.swf"), "intro 1");
    EXPECT_EQ(Slurp(out + "/intro (2).swf"), "intro 2");
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(out))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"movie.swf", "readme.txt", "movie (2).swf", "readme (2).txt",
                                     "outside.txt", "intro.swf", "intro (2).swf"}));
    std::set<std::string> top;
    for (const auto& e : fs::directory_iterator(dir.path))
        top.insert(e.path().filename().string());
    EXPECT_EQ(top,
              (std::set<std::string>{"out", "elsewhere", fs::path(package).filename().string()}))
        << "nothing outside the folder";

    const TRun listed = List(package);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_FALSE(HasControlBytes(listed.out)) << listed.out;
    EXPECT_NE(listed.out.find("title\\x1B]0;owned\\x07.swf"), std::string::npos) << listed.out;
}

INSTANTIATE_TEST_SUITE_P(EveryExtractor, ExtractEndToEnd,
                         ::testing::Values("gldpack", "saver.dll", "inst.dll"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
