#include "fProgress.h"

#include "Progress.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// What the program's build runner does with the progress: every change goes to the window.
class TWindowObserver : public IBuildObserver {
public:
    explicit TWindowObserver(TfrmProgress& window) : window(window) {}
    void ProgressShown(const TProgressState& state) override {
        window.ShowState(state);
        window.Present();
    }
    void ProgressChanged(const TProgressState& state) override { window.ShowState(state); }
    TfrmProgress& window;
};

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

    QMainWindow* main = nullptr;
    std::unique_ptr<TfrmProgress> window;
    std::unique_ptr<TWindowObserver> observer;
    std::unique_ptr<TProgress> progress;

    // The window is driven by its controls' object names, as the author's clicks would reach it.
    TLedProgressBar* Bar() { return window->findChild<TLedProgressBar*>("progressBar"); }
    QPushButton* Button() { return window->findChild<QPushButton*>("btSucceed"); }
    QLabel* Label(const char* name) { return window->findChild<QLabel*>(name); }

private slots:
    void initTestCase() {
        main = new QMainWindow;
        main->setGeometry(100, 80, 655, 463);
        main->show();
    }

    void cleanupTestCase() { delete main; }

    void init() {
        window = std::make_unique<TfrmProgress>(main);
        observer = std::make_unique<TWindowObserver>(*window);
        progress = std::make_unique<TProgress>(*observer, 0);
    }

    void cleanup() {
        progress.reset();
        observer.reset();
        window.reset();
    }

    void opensBorderlessAtItsSizeCentredOverTheMainWindow() {
        progress->ShowProgress(4);
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(395, 136));
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY((window->geometry().center() - main->frameGeometry().center()).manhattanLength() <=
                2);
        QCOMPARE(Bar()->value(), 0);
        QVERIFY(Button()->isHidden());
        QCOMPARE(Button()->text(), QString("Succeed!"));
        QCOMPARE(Label("labProgressTitle")->font().pixelSize(), 16);
        QVERIFY(Label("labProgressTitle")->font().bold());
    }

    void twoOfThreeStepsShow66AndNoButtonTheThirdFillsTheBar() {
        progress->ShowProgress(3);
        progress->AdvanceProgress("Generating Screensaver...", "Compressing neccessary files");
        progress->AdvanceProgress("Generating Screensaver...", "Merging screensaver file");
        QCOMPARE(Bar()->value(), 66);
        QVERIFY(Button()->isHidden());
        QCOMPARE(Label("labProgressDesc")->text(), QString("Merging screensaver file"));
        progress->AdvanceProgress("Generating Screensaver...", "Deleting useless resources");
        QCOMPARE(Bar()->value(), 100);
        QVERIFY(!Button()->isHidden());
        QCOMPARE(Bar()->litSegments(), Bar()->segmentCount());
    }

    void theBarLightsOnlyWholeSegments() {
        TLedProgressBar bar;
        bar.resize(360, 20);
        bar.setValue(25);
        QCOMPARE(bar.litSegments(), bar.segmentCount() / 4);
        bar.setValue(0);
        QCOMPARE(bar.litSegments(), 0);
        bar.setValue(250);
        QCOMPARE(bar.value(), 100);
    }

    void succeedHidesTheWindowAndLaterTextsStillReachIt() {
        progress->ShowProgress(1);
        progress->AdvanceProgress("a", "b");
        QTest::mouseClick(Button(), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        progress->SetProgressText("Generate Screensaver Successfully",
                                  "Generated file locates on /p/");
        QCOMPARE(Label("labProgressTitle")->text(), QString("Generate Screensaver Successfully"));
    }

    void theButtonReadsCloseAfterAFailureAndSucceedAfterASuccess() {
        progress->ShowProgress(4);
        progress->AdvanceProgress("Generating Installer...", "Generating screensaver file");
        progress->MarkFailed();
        progress->SetProgressText("Generate Installer Failed", "Please check log file /p/show.log");
        progress->FinishProgress();
        QVERIFY(!Button()->isHidden());
        QCOMPARE(Button()->text(), QString("Close"));
        QVERIFY(Button()->icon().isNull());
        QTest::mouseClick(Button(), Qt::LeftButton);
        QVERIFY(!window->isVisible());

        // The next build's window starts as a success would end.
        progress->ShowProgress(3);
        for (int i = 0; i < 3; ++i)
            progress->AdvanceProgress("Generating Screensaver...", "step");
        QCOMPARE(Button()->text(), QString("Succeed!"));
        QVERIFY(!Button()->icon().isNull());
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
