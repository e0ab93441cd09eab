#include "BuildCommands.h"

#include "BuildRunner.h"
#include "Config.h"
#include "FilePaths.h"
#include "Messages.h"
#include "Shell.h"
#include "cScl.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

class TRecordingShell : public THeadlessShell {
public:
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::string StartProgram(const std::vector<std::string>& argv) override {
        started.push_back(argv.at(0));
        return refusal;
    }
    std::vector<std::string> opened;
    std::vector<std::string> started; // programs started themselves
    std::string refusal;              // why starting fails, "" for success
};

// The main window as the commands see it. Save writes the project with the movies the pages
// hold; Save As on an untitled project takes save_as_target, where "" means the author cancelled.
class TFakeHost : public IBuildHost {
public:
    TFakeHost(const fs::path& program_dir)
        : settings(program_dir.string()), resources(program_dir.string()) {}

    int FileRowCount() override { return static_cast<int>(movies.size()); }
    bool Modified() override { return modified; }
    std::string ProjectFile() override { return project; }
    void Save() override {
        ++saves;
        if (project.empty()) project = save_as_target;
        if (project.empty()) return;
        TSCL scl;
        scl.Load(project);
        scl.ProjectName = "Sky";
        scl.Files = movies;
        scl.Save();
        scl.Release();
        modified = false;
    }
    void SetMainEnabled(bool enabled) override { enabled_calls.push_back(enabled); }
    TConfig& Settings() override { return settings; }
    const TResourceLocator& Resources() override { return resources; }
    // The program's own runner: the build runs on a thread of its own, as in the program.
    TBuildResult RunBuild(const TBuildParameters& parameters) override {
        TBuildParameters quick = parameters;
        quick.step_pause_ms = 0;
        return runner.Run(quick);
    }
    void ReleaseProgress() override { runner.ReleaseProgress(); }

    std::vector<std::string> movies;
    bool modified = false;
    std::string project;
    std::string save_as_target;
    int saves = 0;
    std::vector<bool> enabled_calls;
    TConfig settings;
    TResourceLocator resources;
    TBuildRunner runner{nullptr};
};

} // namespace

class BuildCommandsTest : public QObject {
    Q_OBJECT

    fs::path base, root, project_dir, program_dir;
    TScriptedMessageBoxes* boxes = nullptr;
    TMessageBoxesScope* scope = nullptr;
    TRecordingShell shell;
    std::unique_ptr<TFakeHost> host;
    std::string movie;

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : boxes->shown)
            texts.push_back(shown.text);
        return texts;
    }
    std::string Setup() const { return (project_dir / "setup.exe").string(); }
    std::string Saved() const { return (project_dir / "show.gldp").string(); }

private slots:
    void initTestCase() {
        // Each test points TMPDIR into its own folder; the base is taken once, before that.
        base = fs::temp_directory_path();
    }

    void init() {
        root = base / ("gld-cmd-" + std::to_string(::getpid()));
        fs::remove_all(root);
        project_dir = root / "p";
        program_dir = root / "bin";
        fs::create_directories(project_dir);
        fs::create_directories(program_dir);
        fs::create_directories(root / "tmp");
        ::setenv("TMPDIR", (root / "tmp").c_str(), 1);
        WriteFile(program_dir / "saver.dll", "saver stub");
        WriteFile(program_dir / "inst.dll", "installer stub");
        movie = (project_dir / "m.swf").string();
        WriteFile(movie, "FWS" + std::string(2997, 'x'));
        boxes = new TScriptedMessageBoxes;
        scope = new TMessageBoxesScope(*boxes);
        InstallShell(&shell);
        shell.opened.clear();
        shell.started.clear();
        shell.refusal.clear();
        host = std::make_unique<TFakeHost>(program_dir);
    }

    void cleanup() {
        host.reset();
        delete scope;
        delete boxes;
        InstallShell(nullptr);
        ::setenv("TMPDIR", base.c_str(), 1);
        std::error_code ignored;
        fs::current_path(base, ignored);
        fs::remove_all(root, ignored);
    }

    void compileWithAnEmptyListOnlyWarns() {
        host->project = Saved();
        host->modified = true;
        CompileCommand(*host);
        QCOMPARE(Texts(), std::vector<std::string>{"There is no flash file in this project."});
        QCOMPARE(host->saves, 0);
        QVERIFY(host->enabled_calls.empty());
        QVERIFY(!fs::exists(Setup()));
    }

    void compileOfAnUntitledProjectWhoseSaveAsIsCancelledDoesNothing() {
        host->movies = {movie};
        host->modified = true;
        host->settings.SetTestAfterCompile(true);
        CompileCommand(*host);
        QCOMPARE(host->saves, 1);
        QVERIFY(host->enabled_calls.empty());
        QVERIFY(boxes->shown.empty());
        QVERIFY(!fs::exists(Setup()));
    }

    void compileSavesChangesBuildsAndAsksNothingWithTheTestOff() {
        host->movies = {movie};
        host->modified = true;
        host->save_as_target = Saved();
        host->settings.SetTestAfterCompile(false);
        CompileCommand(*host);
        QCOMPARE(host->saves, 1);
        QVERIFY(fs::exists(Setup()));
        QVERIFY(boxes->shown.empty());
        QCOMPARE(host->enabled_calls, (std::vector<bool>{false, true}));
        QVERIFY(shell.started.empty());
        QCOMPARE(host->runner.Progress().title, std::string("Generate Installer Successfully"));
    }

    void compileWithTheTestOnOffersTheInstallerAndOpensItOnYes() {
        host->movies = {movie};
        host->save_as_target = Saved();
        host->Save();
        host->settings.SetTestAfterCompile(true);
        boxes->Answer(TMsgAnswer::Yes);
        CompileCommand(*host);
        QCOMPARE(Texts(), std::vector<std::string>{"Do you want to test the compiled installer?"});
        QCOMPARE(boxes->shown[0].caption, std::string("Confirm"));
        // The installer itself is started, not handed to the desktop's handler.
        QCOMPARE(shell.started, std::vector<std::string>{Setup()});
        QVERIFY(shell.opened.empty());

        boxes->shown.clear();
        shell.started.clear();
        boxes->Answer(TMsgAnswer::No);
        CompileCommand(*host);
        QCOMPARE(boxes->shown.size(), size_t(1));
        QVERIFY(shell.started.empty());
    }

    void compileAsksNoTestQuestionAfterAFailedBuild() {
        host->movies = {movie};
        host->save_as_target = Saved();
        host->Save();
        host->settings.SetTestAfterCompile(true);
        fs::remove(program_dir / "inst.dll");
        CompileCommand(*host);
        QCOMPARE(Texts(), std::vector<std::string>{
                              "inst.dll is missed! Please reinstall it to fix the problem."});
        QVERIFY(shell.started.empty());
        QCOMPARE(host->enabled_calls, (std::vector<bool>{false, true}));
        QCOMPARE(host->runner.Progress().title, std::string("Generate Installer Failed"));
    }

    void runBuildsReleasesTheWindowAndStartsTheInstaller() {
        host->movies = {movie};
        host->modified = true;
        host->save_as_target = Saved();
        RunCommand(*host);
        QCOMPARE(host->saves, 1);
        QVERIFY(fs::exists(Setup()));
        QVERIFY(!host->runner.Progress().shown);
        QCOMPARE(shell.started, std::vector<std::string>{Setup()});
        QCOMPARE(host->enabled_calls, (std::vector<bool>{false, true}));
        QVERIFY(boxes->shown.empty());
    }

    void anInstallerThatCannotBeStartedIsReported() {
        host->movies = {movie};
        host->modified = true;
        host->save_as_target = Saved();
        shell.refusal = "Permission denied";
        RunCommand(*host);
        QCOMPARE(shell.started, std::vector<std::string>{Setup()});
        QCOMPARE(Texts(),
                 std::vector<std::string>{"Cannot start \"" + Setup() + "\". Permission denied"});

        // The real shell layer says why, in the system's words.
        InstallShell(nullptr);
        const std::string plain = (project_dir / "plain.txt").string();
        WriteFile(plain, "no program");
        QVERIFY(!StartProgram({plain}).empty());
        QVERIFY(!StartProgram({(project_dir / "missing").string()}).empty());
        QCOMPARE(StartProgram({"/bin/true"}), std::string());
        InstallShell(&shell);
    }

    void runOnAProjectWithoutMoviesLetsTheGenerationReportIt() {
        host->save_as_target = Saved();
        host->Save();
        RunCommand(*host);
        QCOMPARE(Texts(), std::vector<std::string>{"There is no flash file in this project."});
        QVERIFY(shell.started.empty());
        QVERIFY(!fs::exists(Setup()));
        QCOMPARE(host->runner.Progress().title, std::string("Generate Installer Failed"));
    }

    void screensaverGeneratorBuildsFromTheSavedFileWithoutSaving() {
        host->movies = {movie};
        host->save_as_target = Saved();
        host->Save();
        host->modified = true;
        host->movies.push_back((project_dir / "unsaved.swf").string());
        CompileCommand(*host); // a build leaves only setup.exe, no screensaver
        QVERIFY(!fs::exists(project_dir / "Sky.scr"));
        boxes->shown.clear();
        host->saves = 0;
        host->modified = true;
        ScreensaverGeneratorCommand(*host);
        // The saved project names a movie that does not exist: it is left out with a warning
        // after the build.
        const std::string gone = (project_dir / "unsaved.swf").string();
        QCOMPARE(Texts(), (std::vector<std::string>{
                              "Do you want to generate a single screensaver for this project?",
                              "The Flash file \"" + gone + "\" does not exist; it is left out."}));
        QVERIFY(fs::exists(project_dir / "Sky.scr"));
        QCOMPARE(host->saves, 0);
        QCOMPARE(host->enabled_calls, (std::vector<bool>{false, true, false, true}));
        QCOMPARE(host->runner.Progress().title, std::string("Generate Screensaver Successfully"));
    }

    void screensaverGeneratorStopsOnNoAndOnAnUnsavedProjectLeftUnsaved() {
        host->movies = {movie};
        boxes->Answer(TMsgAnswer::No);
        ScreensaverGeneratorCommand(*host);
        QCOMPARE(boxes->shown.size(), size_t(1));
        QCOMPARE(host->saves, 0);

        boxes->shown.clear();
        boxes->Answer(TMsgAnswer::Yes);
        boxes->Answer(TMsgAnswer::No);
        ScreensaverGeneratorCommand(*host);
        QCOMPARE(Texts(), (std::vector<std::string>{
                              "Do you want to generate a single screensaver for this project?",
                              "Current project is not saved yet, do you want to save it now?"}));
        QCOMPARE(host->saves, 0);
        QVERIFY(host->enabled_calls.empty());

        // Yes to both, then a cancelled Save As: still nothing.
        boxes->shown.clear();
        ScreensaverGeneratorCommand(*host);
        QCOMPARE(host->saves, 1);
        QVERIFY(host->enabled_calls.empty());
        QVERIFY(Listing().size() == 1);
    }

    void homepageOpensTheProgramsOneSite() {
        HomepageCommand();
        // The same address as the about box's logo.
        QCOMPARE(shell.opened, std::vector<std::string>{ProgramWebSite});
        QVERIFY(boxes->shown.empty());
    }

private:
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(project_dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

QTEST_MAIN(BuildCommandsTest)
#include "BuildCommandsTest.moc"
