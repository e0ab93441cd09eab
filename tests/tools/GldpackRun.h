#pragma once
// Runs gldpack from the program folder and captures its exit status, stdout and stderr.

#include "../archive/ArchiveTestSupport.h"
#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <sys/wait.h>

struct TRun {
    int status;
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string Slurp(const std::string& path) {
    auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

class GldpackTest : public ::testing::Test {
protected:
    TRun Run(const std::vector<std::string>& args) {
        std::string command = Quote(std::string(GLD_PROGRAM_DIR) + "/gldpack");
        for (const auto& a : args)
            command += " " + Quote(a);
        command += " >" + Quote(dir / "stdout.txt") + " 2>" + Quote(dir / "stderr.txt");
        int raw = std::system(command.c_str());
        TRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "stdout.txt"),
               Slurp(dir / "stderr.txt")};
        std::filesystem::remove(dir / "stdout.txt");
        std::filesystem::remove(dir / "stderr.txt");
        return r;
    }
    static size_t Lines(const std::string& text) {
        return size_t(std::count(text.begin(), text.end(), '\n'));
    }

    TScratchFolder dir;
};
