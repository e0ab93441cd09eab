#pragma once
// A private build site for the generator tests: a project folder, a program folder with stand-in
// stubs, and a temporary folder of its own (TMPDIR), so every file a build leaves can be seen.

#include "ArchiveReaderUnit.h"
#include "BuildJob.h"
#include "FilePaths.h"
#include "Messages.h"
#include "ResourceLocator.h"
#include "cScl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
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

// Records what a build reports, in order, the way the window and gldbuild would hear it.
class TRecordingObserver : public IBuildObserver {
public:
    void ProgressShown(const TProgressState& state) override {
        progress = state;
        ++displays;
    }
    void ProgressChanged(const TProgressState& state) override {
        progress = state;
        changes.push_back(state);
        if (on_change) on_change(state);
    }
    void Warning(const std::string& text) override { boxes.push_back(text); }
    void EntrySkipped(const TArchiveDiagnostic& diagnostic) override {
        boxes.push_back(diagnostic.text);
    }
    void LogLine(const std::string&, const std::string& message) override {
        log_lines.push_back(message);
    }
    void LogFailed(const std::string&, const std::string& error) override {
        log_failures.push_back(error);
    }
    void TemporaryLeft(const std::string& path) override { left.push_back(path); }
    void WaitingForProject(const std::string&) override { ++waits; }
    void Finished(const TBuildResult& result) override {
        finished = result;
        ++ends;
    }

    // The last state of the progress display; shown is false when none was opened.
    TProgressState progress;
    int displays = 0;
    std::vector<TProgressState> changes;
    // What the program would show in boxes: warnings and skipped entries, in order.
    std::vector<std::string> boxes;
    std::vector<std::string> log_lines;
    std::vector<std::string> log_failures;
    std::vector<std::string> left;
    int waits = 0;
    int ends = 0;
    std::optional<TBuildResult> finished;
    std::function<void(const TProgressState&)> on_change;
};

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
    }

    void TearDown() override {
        delete boxes_scope;
        if (had_tmpdir)
            ::setenv("TMPDIR", old_tmpdir.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::remove_all(root, ignored);
    }

    // The stand-in program folder that holds the stubs.
    TResourceLocator Resources() const { return TResourceLocator(program_dir.string()); }

    // The parameters of a build of project from this site, without pauses.
    TBuildParameters Parameters(const std::string& project, TBuildKind kind,
                                bool show_progress = true) const {
        TBuildParameters parameters;
        parameters.project_file = project;
        parameters.resources = Resources();
        parameters.kind = kind;
        parameters.show_progress = show_progress;
        parameters.step_pause_ms = 0;
        return parameters;
    }

    // Runs a build job with a fresh observer; 0 for success, 1 otherwise, as the generators
    // have always answered. result and observer tell the rest.
    int Run(const TBuildParameters& parameters) {
        observer = TRecordingObserver();
        observer.on_change = on_change;
        TBuildJob job(parameters, observer);
        result = job.Run();
        undeleted.insert(undeleted.end(), result.undeleted.begin(), result.undeleted.end());
        return result.Succeeded() ? 0 : 1;
    }
    int Installer(const std::string& project) {
        return Run(Parameters(project, TBuildKind::Installer));
    }
    int Screensaver(const std::string& project, bool show_progress) {
        return Run(Parameters(project, TBuildKind::Screensaver, show_progress));
    }
    const TProgressState& Progress() const { return observer.progress; }

    TRecordingObserver observer;
    TBuildResult result;
    // Called with every progress change of the next builds, on the build's own thread.
    std::function<void(const TProgressState&)> on_change;
    // Temporaries every build of the test could not delete.
    std::vector<std::string> undeleted;

    // A file that begins like a Flash movie, then size - 8 bytes of noise.
    std::string Movie(const std::string& name, size_t size, uint32_t seed) {
        const fs::path path = project_dir / name;
        std::string data = Bytes(size, seed);
        data.replace(0, std::min<size_t>(3, data.size()),
                     std::string("FWS").substr(0, data.size()));
        WriteFile(path, data);
        return path.string();
    }
    // A file with no Flash signature.
    std::string Other(const std::string& name, size_t size, uint32_t seed) {
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

    // The boxes the program would show for the last build, then any box shown directly.
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts = observer.boxes;
        for (const auto& shown : boxes.shown)
            texts.push_back(shown.text);
        return texts;
    }
};

} // namespace gentest
