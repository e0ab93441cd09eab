#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

TMsgAnswer QtMessageBoxes::Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                                TMsgButtons buttons) {
    // Widgets live on the application's thread only. Work on another thread that still asks
    // something waits there for the answer, as it would for a box of its own.
    if (QThread::currentThread() != qApp->thread()) {
        TMsgAnswer answer = TMsgAnswer::Ok;
        QMetaObject::invokeMethod(
            qApp, [&] { answer = Show(text, caption, icon, buttons); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case TMsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case TMsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgAnswer::Yes;
    case QMessageBox::No:
        return TMsgAnswer::No;
    case QMessageBox::Cancel:
        return TMsgAnswer::Cancel;
    default:
        break;
    }
    // A Yes/No box closed with Esc or the title bar answers No; anything else Ok.
    if (buttons == TMsgButtons::YesNo) return TMsgAnswer::No;
    if (buttons == TMsgButtons::YesNoCancel) return TMsgAnswer::Cancel;
    return TMsgAnswer::Ok;
}
