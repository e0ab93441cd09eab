// The colour picker: named entries, system colours, the custom entry and its dialog.

#include <QSignalSpy>
#include <QtTest>

#include "ColorBox.h"
#include "Colors.h"

class ColorBoxTest : public QObject {
    Q_OBJECT

private slots:
    void startsBlackAndSelectsNamedColoursByValue() {
        TColorBox box;
        QCOMPARE(box.color(), 0u);
        QCOMPARE(box.currentText(), QString("Black"));
        QSignalSpy changed(&box, &TColorBox::colorChanged);
        box.setColor(0x000000FF);
        QCOMPARE(box.currentText(), QString("Red"));
        box.setColor(0x8000000F);
        QCOMPARE(box.currentText(), QString("Button Face"));
        QCOMPARE(box.color(), 0x8000000Fu);
        box.setColor(0x20000000);
        QCOMPARE(box.currentText(), QString("Default"));
        QCOMPARE(changed.count(), 3);
        box.setColor(0x20000000); // the same colour again is no change
        QCOMPARE(changed.count(), 3);
    }

    void everyNamedColourOfTheProjectFileHasAnEntryOrRoundTrips() {
        TColorBox box;
        for (const auto& entry : ColorTable()) {
            box.setColor(entry.Value);
            QCOMPARE(box.color(), entry.Value);
            QCOMPARE(ColorToString(box.color()), std::string(entry.Name));
        }
    }

    void unnamedColoursBecomeTheCustomEntry() {
        TColorBox box;
        box.setColor(0x00804020);
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(box.color(), 0x00804020u);
        QCOMPARE(TColorBox::ToQColor(0x00804020), QColor(0x20, 0x40, 0x80));
        QCOMPARE(TColorBox::FromQColor(QColor(0x20, 0x40, 0x80)), 0x00804020u);
    }

    void customEntryAsksForAColourAndCancelKeepsTheOldOne() {
        auto saved = TColorBox::CustomColorPicker();
        std::optional<QColor> answer;
        int asked = 0;
        TColorBox::CustomColorPicker() = [&](QWidget*, const QColor&) {
            ++asked;
            return answer;
        };
        TColorBox box;
        box.setColor(0x0000FF00);
        QSignalSpy changed(&box, &TColorBox::colorChanged);
        answer.reset();
        emit box.activated(0);
        QCOMPARE(asked, 1);
        QCOMPARE(box.color(), 0x0000FF00u);
        QCOMPARE(box.currentText(), QString("Lime"));
        QCOMPARE(changed.count(), 0);

        answer = QColor(1, 2, 3);
        emit box.activated(0);
        QCOMPARE(box.color(), 0x00030201u);
        QCOMPARE(changed.count(), 1);
        TColorBox::CustomColorPicker() = saved;
    }
};

QTEST_MAIN(ColorBoxTest)
#include "ColorBoxTest.moc"
