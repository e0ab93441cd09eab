// The desktop's message boxes: whichever thread asks, the box appears on the application's
// thread and its answer goes back to the one who asked.

#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <thread>

class QtMessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void aBoxAskedForFromAnotherThreadIsShownOnTheApplicationsThread() {
        QtMessageBoxes boxes;
        std::atomic<bool> done{false};
        TMsgAnswer answer = TMsgAnswer::Ok;
        QThread* shown_on = nullptr;
        QString text;
        // Answers the box with No once it is open.
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shown_on = box->thread();
            text = box->text();
            box->button(QMessageBox::No)->click();
        });
        answerer.start(10);
        std::thread asker([&] {
            answer = boxes.Show("Stop the build?", "Confirm", TMsgIcon::Question,
                                TMsgButtons::YesNoCancel);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        asker.join();
        QCOMPARE(answer, TMsgAnswer::No);
        QCOMPARE(shown_on, qApp->thread());
        QCOMPARE(text, QString("Stop the build?"));
    }
};

QTEST_MAIN(QtMessageBoxesTest)
#include "QtMessageBoxesTest.moc"
