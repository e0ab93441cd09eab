// The main window while a build runs: the build works beside the window, which keeps painting
// and stays disabled, and closing the window never ends the build half-way.

#include <QAction>
#include <QSemaphore>
#include <QtTest>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "AppTestHelpers.h"
#include "ArchiveReaderUnit.h"
#include "BuildRunner.h"
#include "cScl.h"

namespace fs = std::filesystem;

namespace {

const char* const kBuildRunningQuestion =
    "A build is still running.\n\nYes: stop the build, then close Glimmerdrome.\nNo: let the "
    "build finish, then close Glimmerdrome.\nCancel: keep working.";

// Runs call on the window's thread and waits there for it, from the build's thread. False when
// the window's thread did not get to it in time: its event loop is blocked.
bool OnWindowThread(QObject* context, std::function<void()> call) {
    auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        context,
        [call, done] {
            call();
            done->release();
        },
        Qt::QueuedConnection);
    return done->tryAcquire(1, 30000);
}

// Counts paint events of the widget it watches, and lets a waiting thread know of the first.
class TPaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.release();
        return false;
    }
    QSemaphore painted;
};

} // namespace

class BuildWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppSandbox> sandbox;
    std::unique_ptr<TfrmMain> window;
    QByteArray oldTemp;

    std::string Folder() const { return sandbox->Path("p"); }
    std::string Setup() const { return Folder() + "/setup.exe"; }
    std::set<std::string> Listing(const std::string& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Opens a saved project with one movie in the window; the build commands then build it.
    void OpenProject() {
        fs::create_directories(Folder());
        const std::string movie = Folder() + "/m.swf";
        std::ofstream(movie, std::ios::binary) << "FWS" << std::string(200000, 'm');
        const std::string project = Folder() + "/show.gldp";
        TSCL scl;
        scl.Load(project);
        scl.ProjectName = "Sky";
        scl.Files = {movie};
        scl.Save();
        scl.Release();
        window->LoadProject(project);
        window->show();
    }

    void Compile() { Control<QAction>(*window, "actCompile")->trigger(); }

private slots:
    void init() {
        sandbox = std::make_unique<TAppSandbox>();
        std::ofstream(sandbox->ProgramDir() + "/saver.dll", std::ios::binary) << "saver stub";
        std::ofstream(sandbox->ProgramDir() + "/inst.dll", std::ios::binary) << "installer stub";
        fs::create_directories(sandbox->Path("tmp"));
        oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(sandbox->Path("tmp")));
        window = sandbox->MakeMain();
        OpenProject();
    }

    void cleanup() {
        window.reset();
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
        sandbox.reset();
    }

    void theWindowKeepsPaintingAndStaysDisabledWhileTheBuildRuns() {
        TPaintWatch watch;
        std::atomic<bool> answered{false}, painted{false}, enabled{true};
        window->BuildRunner().OnBuildThread = [&](const TProgressState& state) {
            if (state.description != "Compressing neccessary files") return;
            // The build waits here until the window has painted a change, which only an event
            // loop that runs can do.
            answered = OnWindowThread(window.get(), [&] {
                enabled = window->isEnabled();
                TfrmProgress* progress = window->BuildRunner().ProgressWindow();
                progress->installEventFilter(&watch);
                progress->update();
            });
            painted = watch.painted.tryAcquire(1, 30000);
        };
        Compile();
        window->BuildRunner().OnBuildThread = nullptr;
        QVERIFY(answered);
        QVERIFY(painted);
        QVERIFY(!enabled);
        QVERIFY(window->isEnabled());
        QVERIFY(fs::exists(Setup()));
        QCOMPARE(window->BuildRunner().Progress().title,
                 std::string("Generate Installer Successfully"));
    }

    void closingMidBuildAndWaitingLetsTheBuildFinishThenCloses() {
        bool asked = false;
        window->BuildRunner().OnBuildThread = [&](const TProgressState& state) {
            if (state.description != "Merging installer file") return;
            sandbox->boxes.Answer(TMsgAnswer::No);
            asked = OnWindowThread(window.get(), [&] {
                QVERIFY(!window->close());
                // A second close while waiting asks nothing more.
                QVERIFY(!window->close());
            });
        };
        Compile();
        window->BuildRunner().OnBuildThread = nullptr;
        QVERIFY(asked);
        QCOMPARE(sandbox->boxes.shown.size(), size_t(1));
        QCOMPARE(sandbox->boxes.shown[0].text, std::string(kBuildRunningQuestion));
        QTRY_VERIFY(!window->isVisible());
        // The whole installer is there, and nothing the build made on the way.
        auto reader = TArchiveReader::Open(Setup());
        QCOMPARE(reader->Entries().size(), size_t(2));
        QCOMPARE(Listing(Folder()), (std::set<std::string>{"m.swf", "show.gldp", "setup.exe"}));
        QVERIFY(Listing(sandbox->Path("tmp")).empty());
    }

    void closingMidBuildAndStoppingItCleansUpThenCloses() {
        window->BuildRunner().OnBuildThread = [&](const TProgressState& state) {
            if (state.description != "Compressing neccessary files") return;
            sandbox->boxes.Answer(TMsgAnswer::Yes);
            OnWindowThread(window.get(), [&] { window->close(); });
        };
        Compile();
        window->BuildRunner().OnBuildThread = nullptr;
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(!fs::exists(Setup()));
        // Only the log says what happened; no screensaver, package or temporary archive stays.
        QCOMPARE(Listing(Folder()), (std::set<std::string>{"m.swf", "show.gldp", "show.log"}));
        QVERIFY(Listing(sandbox->Path("tmp")).empty());
        QCOMPARE(window->BuildRunner().Progress().title, std::string("Generate Installer Failed"));
        QVERIFY(window->BuildRunner().Progress().failed);
    }

    void closingMidBuildCanBeTakenBack() {
        window->BuildRunner().OnBuildThread = [&](const TProgressState& state) {
            if (state.description != "Merging installer file") return;
            sandbox->boxes.Answer(TMsgAnswer::Cancel);
            OnWindowThread(window.get(), [&] { window->close(); });
        };
        Compile();
        window->BuildRunner().OnBuildThread = nullptr;
        QTest::qWait(50);
        QVERIFY(window->isVisible());
        QVERIFY(fs::exists(Setup()));
    }
};

QTEST_MAIN(BuildWindowTest)
#include "BuildWindowTest.moc"
