#pragma once
// A Flash player widget: Ruffle, the open-source Flash Player emulator, running in a web view.
//
// The player and its page are built into the program as resources and the movies are handed
// over as bytes, so nothing is read from disk; the web engine runs with a private profile
// that lives in memory only, so nothing is written to the user's folders either. The player
// needs a second or two to start; until then the look's background (and starting text) shows,
// and a movie asked for meanwhile plays as soon as the player is ready. Nothing here waits:
// every step reports back through the signals and the listener.

#include "MoviePlayer.h"

#include <QString>
#include <QWidget>

class QLabel;
class QStackedLayout;
class QTimer;
class QWebEngineView;

class TFlashPlayer : public QWidget, public IMoviePlayer {
    Q_OBJECT
public:
    enum class State {
        Starting, // the web engine and the player are being started
        Ready,    // the player runs and shows no movie
        Loading,  // a movie was handed over and is being opened
        Playing,  // the movie plays
        Finished, // the movie reached its end, or Stop halted it
        Failed,   // the last movie could not be played; the next one may
        Broken,   // the player could not start: nothing will play
    };
    Q_ENUM(State)

    explicit TFlashPlayer(const TPlayerLook& look, QWidget* parent = nullptr);
    ~TFlashPlayer() override;

    QWidget* Widget() override { return this; }
    int Load(const TPlayerMovie& movie) override;
    void Stop() override;
    void SetLook(const TPlayerLook& look) override;
    void SetListener(IMoviePlayerListener* listener) override { this->listener = listener; }

    State state() const { return currentState; }
    // Why the player could not start (state Broken).
    QString brokenReason() const { return whyBroken; }
    // What the player said, in plain words, about the last movie it could not play (Failed).
    QString failureReason() const { return failureReason_; }

    // Why the web engine cannot run on this machine (its helper program or its resources are
    // missing), or "" when it can. Starting it without them would end the whole process.
    static QString WebEngineProblem();

signals:
    void stateChanged(TFlashPlayer::State state);
    void movieStarted(int serial);
    void movieFinished(int serial);
    void movieFailed(int serial);

private:
    void SetState(State state);
    void ShowPlaceholder(const QString& text);
    void StartPlayer();
    void OnPlayerReport(const QString& what, const QString& json);
    void SendMovie();
    void Break(const QString& why);
    QString LookJson() const;

    TPlayerLook look;
    IMoviePlayerListener* listener = nullptr;
    QStackedLayout* stack = nullptr;
    QLabel* placeholder = nullptr;
    QWebEngineView* view = nullptr;
    QTimer* startTimeout = nullptr;
    State currentState = State::Starting;
    QString whyBroken;
    QString failureReason_;
    TPlayerMovie movie; // the last movie asked for, sent once the player is ready
    bool movieSent = true;
    int serial = 0; // matches the player's reports to the Load they answer
    bool playerReady = false;
};
