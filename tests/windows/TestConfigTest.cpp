// The end user's settings window as the author previews it: identity on "Welcome", the
// project's settings on "Configuration" (only when end users may change them), link labels
// that open through the shell, and nothing stored anywhere.
#include "fTestConfig.h"

#include "LinkLabel.h"
#include "Messages.h"
#include "OpenAddress.h"
#include "Shell.h"
#include "ui_fTestConfig.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

namespace {

// Records what the window asks the shell to open, and answers as told.
class TRecordingShell : public THeadlessShell {
public:
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return succeed;
    }
    std::vector<std::string> opened;
    bool succeed = true;
};

TTestConfigInput Sample() {
    TTestConfigInput in;
    in.projectName = "Star Field";
    in.version = "2.5";
    in.author = "Ada Example";
    in.email = "ada@example.org";
    in.homepage = "https://starfield.example.org/";
    in.backgroundColor = 0x00800000; // navy
    in.displayStyle = 1;
    in.runType = 1;
    in.switchType = 1;
    in.interval = 30;
    in.mute = true;
    return in;
}

void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

} // namespace

class TestConfigTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheProjectAndItsSettingsWhenUsersMayChangeThem() {
        TfrmTestConfig w;
        w.Load(Sample());
        QCOMPARE(w.Form().pageConfig->currentWidget(), w.Form().tabInfo);
        QVERIFY(
            w.Form().pageConfig->isTabVisible(w.Form().pageConfig->indexOf(w.Form().tabConfig)));
        QCOMPARE(w.Form().labProjectName->text(), QString("Star Field"));
        QCOMPARE(w.Form().labVersion->text(), QString("2.5")); // as typed, no "v " before it
        QCOMPARE(w.Form().labAuthor->text(), QString("Ada Example"));
        QCOMPARE(w.Form().labEmail->text(), QString("ada@example.org"));
        QCOMPARE(w.Form().labHomepage->text(), QString("https://starfield.example.org/"));
        QCOMPARE(w.windowTitle(), QString("Star Field Settings"));

        QCOMPARE(w.Form().cboxBackground->color(), 0x00800000u);
        QCOMPARE(w.Form().cboxStyle->currentText(), QString("Full Screen"));
        QCOMPARE(w.Form().cboxRunType->currentText(), QString("Show Flash Randomly"));
        QCOMPARE(w.Form().cboxSwitch->currentText(), QString("Wait for interval"));
        QCOMPARE(w.Form().txtInterval->value(), 30);
        QVERIFY(w.Form().txtInterval->isEnabled());
        QVERIFY(w.Form().chkMute->isChecked());

        // The interval is typed only while it is used, as in the end user's window.
        w.Form().cboxSwitch->setCurrentIndex(0);
        QVERIFY(!w.Form().txtInterval->isEnabled());
        QCOMPARE(w.Form().cboxSwitch->currentText(), QString("Wait until  last one finishes"));
    }

    void onlyWelcomeWhenUsersMayNotChangeSettings() {
        TTestConfigInput in = Sample();
        in.enableUserModify = false;
        TfrmTestConfig w;
        w.Load(in);
        w.show();
        QCOMPARE(w.Form().pageConfig->currentWidget(), w.Form().tabInfo);
        QVERIFY(w.Form().pageConfig->isTabVisible(w.Form().pageConfig->indexOf(w.Form().tabInfo)));
        QVERIFY(
            !w.Form().pageConfig->isTabVisible(w.Form().pageConfig->indexOf(w.Form().tabConfig)));
        QCOMPARE(w.Form().pageConfig->tabText(w.Form().pageConfig->indexOf(w.Form().tabInfo)),
                 QString("Welcome"));
    }

    void oddValuesShowSomethingSensible() {
        TTestConfigInput in;
        in.switchType = 7;
        in.displayStyle = -1;
        in.interval = 0;
        TfrmTestConfig w;
        w.Load(in);
        QCOMPARE(w.Form().cboxSwitch->currentIndex(), 0);
        QCOMPARE(w.Form().cboxStyle->currentIndex(), 0);
        QCOMPARE(w.Form().txtInterval->value(), 1);
        QVERIFY(!w.Form().txtInterval->isEnabled());
        QCOMPARE(w.windowTitle(), QString("Screensaver Settings"));
        QVERIFY(!w.Form().imgIcon->pixmap().isNull()); // a stand-in icon, not a blank
        in.interval = 9000000;
        w.Load(in);
        QCOMPARE(w.Form().txtInterval->value(), 5000000);
    }

    void linksOpenThroughTheShell() {
        TRecordingShell shell;
        InstallShell(&shell);
        TTestConfigInput in = Sample();
        in.email.clear();
        TfrmTestConfig w;
        w.Load(in);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        Click(w.Form().labEmail); // empty: nothing to open
        QVERIFY(shell.opened.empty());

        // Where nothing opens it, the user hears so; the link does not turn visited.
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        boxes.Answer(TMsgAnswer::No);
        shell.succeed = false;
        Click(w.Form().labHomepage);
        QCOMPARE(shell.opened, std::vector<std::string>{"https://starfield.example.org/"});
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].text, CannotOpenText("https://starfield.example.org/"));
        QVERIFY(!w.Form().labHomepage->visited());
        shell.succeed = true;
        Click(w.Form().labHomepage);
        QVERIFY(w.Form().labHomepage->visited());

        w.Form().labEmail->setText("ada@example.org");
        Click(w.Form().labEmail);
        QCOMPARE(shell.opened.back(), std::string("mailto:ada@example.org"));
        InstallShell(nullptr);
    }

    void bothButtonsClose_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "btOK";
        QTest::newRow("Close") << "btClose";
    }
    void bothButtonsClose() {
        QFETCH(QString, button);
        QString caption;
        QTimer::singleShot(50, [&] {
            QWidget* w = QApplication::activeModalWidget();
            QVERIFY(w);
            auto* b = w->findChild<QPushButton*>(button);
            QVERIFY(b);
            caption = b->text();
            b->click();
        });
        ShowTestConfig(nullptr, Sample());
        QCOMPARE(caption, button == "btOK" ? QString("OK") : QString("&Close"));
    }
};

QTEST_MAIN(TestConfigTest)
#include "TestConfigTest.moc"
