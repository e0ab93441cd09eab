#pragma once
// A private build site for the generator tests: a project folder, a program folder with stand-in
// stubs, and a temporary folder of its own (TMPDIR), so every file a build leaves can be seen.

#include "ArchiveReaderUnit.h"
#include "FilePaths.h"
#include "Messages.h"
#include "Progress.h"
#include "ResourceLocator.h"
#include "UndeletedTempFiles.h"
#include "cScl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace gentest {

namespace fs = std::filesystem;

inline std::string Bytes(size_t size, uint32_t seed) {
    std::string data(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : data) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return data;
}

inline void WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

// The messages of a log file, without their date and time.
inline std::vector<std::string> LogMessages(const fs::path& log) {
    std::vector<std::string> messages;
    const std::string text = ReadFile(log);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string entry = text.substr(start, end - start);
        // "<date> <hh:mm:ss>:<message>": the message starts after the third colon of the time.
        size_t colon = entry.find(':');
        if (colon != std::string::npos) colon = entry.find(':', colon + 1);
        if (colon != std::string::npos) colon = entry.find(':', colon + 1);
        messages.push_back(colon == std::string::npos ? entry : entry.substr(colon + 1));
        start = end + 4;
    }
    return messages;
}

struct TPackedFile {
    std::string name;
    std::string data;
};

inline std::vector<TPackedFile> Unpack(const fs::path& path) {
    std::vector<TPackedFile> files;
    auto reader = TArchiveReader::Open(path.string());
    for (size_t i = 0; i < reader->Entries().size(); ++i) {
        TPackedFile file{reader->Entries()[i].stored_name, {}};
        reader->ExtractEntry(i, [&](const uint8_t* data, size_t size) {
            file.data.append(reinterpret_cast<const char*>(data), size);
        });
        files.push_back(std::move(file));
    }
    return files;
}

inline std::vector<std::string> Names(const std::vector<TPackedFile>& files) {
    std::vector<std::string> names;
    for (const auto& file : files)
        names.push_back(file.name);
    return names;
}

class BuildSite : public testing::Test {
protected:
    fs::path root, project_dir, program_dir, temp_dir;
    std::string saver_stub = "SAVER-STUB\x01\x02\x03", inst_stub = "INSTALLER-STUB\x7f";
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope* boxes_scope = nullptr;
    std::string old_tmpdir;
    bool had_tmpdir = false;

    void SetUp() override {
        root = fs::temp_directory_path() /
               ("gld-gen-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        project_dir = root / "p";
        program_dir = root / "bin";
        temp_dir = root / "tmp";
        for (const auto& dir : {project_dir, program_dir, temp_dir})
            fs::create_directories(dir);
        WriteFile(program_dir / "saver.dll", saver_stub);
        WriteFile(program_dir / "inst.dll", inst_stub);
        if (const char* old = std::getenv("TMPDIR")) {
            had_tmpdir = true;
            old_tmpdir = old;
        }
        ::setenv("TMPDIR", temp_dir.c_str(), 1);
        boxes_scope = new TMessageBoxesScope(boxes);
        SetProgressPause(0);
        InstallProgressViewFactory(nullptr);
        ReleaseProgress();
        UndeletedTempFiles().clear();
    }

    void TearDown() override {
        delete boxes_scope;
        if (had_tmpdir)
            ::setenv("TMPDIR", old_tmpdir.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        UndeletedTempFiles().clear();
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::remove_all(root, ignored);
    }

    // The stand-in program folder that holds the stubs.
    TResourceLocator Resources() const { return TResourceLocator(program_dir.string()); }

    std::string Movie(const std::string& name, size_t size, uint32_t seed) {
        const fs::path path = project_dir / name;
        WriteFile(path, Bytes(size, seed));
        return path.string();
    }

    // Saves a project file the way the main window does.
    std::string Project(const std::string& file_name, const std::string& project_name,
                        const std::vector<std::string>& movies, const std::string& icon = "",
                        const std::string& readme = "", const std::string& licence = "") {
        const std::string path = (project_dir / file_name).string();
        TSCL scl;
        scl.Load(path);
        scl.ProjectName = project_name;
        scl.Files = movies;
        scl.Icon = icon;
        scl.ReadmeFile = readme;
        scl.LicenseFile = licence;
        scl.Save();
        scl.Release();
        return path;
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& shown : boxes.shown)
            texts.push_back(shown.text);
        return texts;
    }
};

} // namespace gentest
