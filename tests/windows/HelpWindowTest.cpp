// The user guide inside the program: it opens where the desktop has no program for HTML
// files, finds its topics, keeps its own links in the window and hands the others to the
// desktop (offering to copy them where that fails), and reports a guide that is missing.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "Messages.h"
#include "OpenAddress.h"
#include "Shell.h"
#include "fHelp.h"
#include "ui_fHelp.h"

namespace {

// A desktop with no program for anything.
class TBareShell : public THeadlessShell {
public:
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return false;
    }
    std::vector<std::string> opened;
};

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

    TBareShell shell;
    TScriptedMessageBoxes boxes;
    std::unique_ptr<TMessageBoxesScope> scope;
    QTemporaryDir folder;
    std::string guide;

    static int Scrolled(TfrmHelp& window) {
        return window.Form().txtGuide->verticalScrollBar()->value();
    }

private slots:
    void init() {
        InstallShell(&shell);
        shell.opened.clear();
        boxes.shown.clear();
        boxes.answers.clear();
        scope = std::make_unique<TMessageBoxesScope>(boxes);
        guide = (folder.path() + "/guide.html").toStdString();
        QFile file(QString::fromStdString(guide));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray page = "<html><head><title>Guide</title></head><body>"
                          "<h1 id=\"top\">Guide</h1><p><a href=\"#later\">Later</a> "
                          "<a href=\"https://example.org/more\">More</a> "
                          "<a href=\"mailto:help@example.org\">Mail</a></p>";
        for (int i = 0; i < 200; ++i)
            page += "<p>Filler paragraph " + QByteArray::number(i) + "</p>";
        page += "<h2 id=\"later\">Later</h2><p>The later topic.</p></body></html>";
        file.write(page);
    }
    void cleanup() {
        scope.reset();
        InstallShell(nullptr);
    }

    void opensInsideTheProgramWithoutADesktopHandler() {
        QWidget owner;
        TfrmHelp* window = ShowUserGuide(&owner, guide);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindow());
        QCOMPARE(window->windowTitle(), QString("Glimmerdrome Help"));
        QVERIFY(shell.opened.empty());
        QVERIFY(boxes.shown.empty());
        QVERIFY(window->Form().txtGuide->toPlainText().contains("The later topic."));
        QCOMPARE(window->source().toLocalFile(), QString::fromStdString(guide));

        // A second call brings the same window back, at the topic asked for.
        window->resize(500, 300);
        QCOMPARE(ShowUserGuide(&owner, guide, "later"), window);
        QCOMPARE(owner.findChildren<TfrmHelp*>().size(), 1);
        QCOMPARE(window->source().fragment(), QString("later"));
        QTRY_VERIFY(Scrolled(*window) > 0);
    }

    void ownLinksStayAndOthersGoToTheDesktopWithACopyOffered() {
        QWidget owner;
        TfrmHelp* window = ShowUserGuide(&owner, guide);
        window->resize(500, 300);
        QTextBrowser* browser = window->Form().txtGuide;
        emit browser->anchorClicked(QUrl("#later"));
        QCOMPARE(window->source().fragment(), QString("later"));
        QVERIFY(shell.opened.empty());
        QVERIFY(window->Form().actBack->isEnabled());
        window->Form().actContents->trigger();
        QVERIFY(window->source().fragment().isEmpty());

        QGuiApplication::clipboard()->clear();
        boxes.Answer(TMsgAnswer::Yes);
        emit browser->anchorClicked(QUrl("https://example.org/more"));
        QCOMPARE(shell.opened, std::vector<std::string>{"https://example.org/more"});
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].text, CannotOpenText("https://example.org/more"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("https://example.org/more"));

        // A mail address is copied as the address alone; No copies nothing.
        boxes.Answer(TMsgAnswer::Yes);
        emit browser->anchorClicked(QUrl("mailto:help@example.org"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("help@example.org"));
        QVERIFY(boxes.shown.back().text.find("help@example.org") != std::string::npos);
        QVERIFY(boxes.shown.back().text.find("mailto:") == std::string::npos);
        QGuiApplication::clipboard()->clear();
        boxes.Answer(TMsgAnswer::No);
        emit browser->anchorClicked(QUrl("https://example.org/other"));
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QVERIFY(window->isVisible());
    }

    void theShippedGuideFindsTheQuickStartTopic() {
        const std::string shipped = GLD_PROGRAM_DIR "/gldhelp.html";
        if (!QFile::exists(QString::fromStdString(shipped))) QSKIP("the guide is not built");
        QWidget owner;
        TfrmHelp* window = ShowUserGuide(&owner, shipped, "a-first-screensaver-in-five-minutes");
        QVERIFY(window);
        window->resize(500, 300);
        QVERIFY(window->Form().txtGuide->toPlainText().contains("A first screensaver"));
        QTRY_VERIFY(Scrolled(*window) > 0);
    }

    void aMissingGuideIsReportedAndNoWindowShows() {
        QWidget owner;
        const std::string missing = (folder.path() + "/none.html").toStdString();
        QVERIFY(!ShowUserGuide(&owner, missing));
        QCOMPARE(boxes.shown.size(), size_t(1));
        QVERIFY(boxes.shown[0].text.find(missing) != std::string::npos);
        QVERIFY(owner.findChildren<TfrmHelp*>().isEmpty());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
