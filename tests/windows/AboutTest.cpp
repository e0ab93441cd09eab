// The about box: its animation runs while it shows, it names the build's version, the logo
// opens the program's site through the shell (or offers to copy it) and leaves the box open,
// and OK closes it.
#include "fAbout.h"

#include "Artwork.h"
#include "Messages.h"
#include "OpenAddress.h"
#include "ProgramIdentity.h"
#include "Shell.h"
#include "ui_fAbout.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QtTest>

namespace {

class TRecordingShell : public THeadlessShell {
public:
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return false; // no browser here; the box must not care
    }
    std::vector<std::string> opened;
};

} // namespace

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void fivePicturesOfTheirOwn() {
        QSet<QByteArray> seen;
        for (int i = 0; i < Artwork::AboutMovieFrameCount; ++i) {
            const QImage picture = Artwork::AboutMovieFrame(i).toImage();
            QCOMPARE(picture.size(), QSize(56, 76));
            seen.insert(QByteArray(reinterpret_cast<const char*>(picture.constBits()),
                                   picture.sizeInBytes()));
        }
        QCOMPARE(seen.size(), Artwork::AboutMovieFrameCount);
    }

    void animationRunsOnlyWhileShown() {
        TfrmAbout w;
        QCOMPARE(w.windowTitle(), QString("About"));
        QCOMPARE(w.Form().labAboutTitle->text(), QString("Glimmerdrome"));
        QVERIFY(!w.movieRunning());
        w.show();
        QVERIFY(w.movieRunning());
        QCOMPARE(w.movieFrame(), 0);
        const QImage first = w.Form().imgMovie->pixmap().toImage();
        // One picture every two seconds.
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(TfrmAbout::MovieInterval - 400);
        // A machine that stalls the test past the interval has every right to show the next one.
        if (clock.elapsed() < TfrmAbout::MovieInterval - 100) QCOMPARE(w.movieFrame(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.movieFrame(), 1, 2000);
        QVERIFY(w.Form().imgMovie->pixmap().toImage() != first);
        w.hide();
        QVERIFY(!w.movieRunning());
    }

    void logoOpensTheProgramsSiteAndTheBoxStays() {
        TRecordingShell shell;
        InstallShell(&shell);
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        TfrmAbout w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(w.Form().Image1, Qt::LeftButton);
        QCOMPARE(shell.opened, std::vector<std::string>{ProgramWebSite});
        QVERIFY(w.isVisible());
        // No browser here: the user hears so and may take the address along.
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].text, CannotOpenText(ProgramWebSite));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString(ProgramWebSite));
        InstallShell(nullptr);
    }

    void showsTheVersionOfTheBuild() {
        TfrmAbout w;
        QVERIFY(QRegularExpression("^\\d+\\.\\d+").match(ProgramVersion()).hasMatch());
        QCOMPARE(w.Form().labVersion->text(), QString("Version %1").arg(ProgramVersion()));
        QVERIFY(!w.Form().labVersion->isHidden());
    }

    void okCloses() {
        QString caption;
        QTimer::singleShot(50, [&] {
            auto* w = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
            QVERIFY(w);
            caption = w->Form().btOk->text();
            w->Form().btOk->click();
        });
        ShowAbout(nullptr);
        QCOMPARE(caption, QString("&OK"));
    }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
