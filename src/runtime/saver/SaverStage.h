#pragma once
// Where the screensaver shows itself: full screen on every screen, an ordinary window, or
// another program's X window (xscreensaver's, or one named on the command line). The stage
// makes the windows and one player in each, and ends the program the way each place asks:
// full screen on a key, a click or a mouse move of more than a few pixels; in a foreign window
// when that window goes away; everywhere on SIGTERM, SIGINT or SIGHUP.

#include "MoviePlayer.h"
#include "SaverCommandLine.h"

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;
class QWidget;
class QWindow;

using TPlayerFactory = std::function<IMoviePlayer*(const TPlayerLook&, QWidget* parent)>;

class TSaverStage : public QObject {
    Q_OBJECT
public:
    // Makes the windows for the request's mode and a player in each. Raises
    // std::runtime_error with a message for the user when a foreign window cannot be used.
    TSaverStage(const TSaverRequest& request, const TPlayerLook& look, const QString& title,
                const TPlayerFactory& make_player);
    ~TSaverStage() override;

    // The players, the first one on the primary screen.
    const std::vector<IMoviePlayer*>& Players() const { return players; }
    // Shows the windows (and takes the keyboard and mouse when full screen).
    void Show();

    // How far the mouse may move before a full-screen show ends, in pixels.
    static constexpr int kMouseSlack = 10;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MakeWindow(QWidget* window, const TPlayerLook& look, const TPlayerFactory& make_player);
    void Embed(uint32_t foreign, const TPlayerLook& look, const TPlayerFactory& make_player);
    void FollowForeignWindow();
    void End();

    TSaverMode mode;
    std::vector<std::unique_ptr<QWidget>> windows;
    std::vector<IMoviePlayer*> players;
    QWindow* foreignWindow = nullptr;
    uint32_t foreignId = 0;
    QTimer* follow = nullptr;
    QPoint firstMouse;
    bool mouseSeen = false;
};

// Makes SIGTERM, SIGINT and SIGHUP end the event loop, and the process within two seconds
// should the loop not come back by then (a screensaver must go when it is told to).
void EndOnTerminationSignals();
