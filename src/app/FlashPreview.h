#pragma once
// The Files page's live preview: plays the selected Flash movie once, scaled to fit.
//
// A thin view over the shared Flash player (src/player): it reads the movie file, prepares it
// as the screensaver runtime does, and hands it over. The main window keeps one preview
// between visits of the Files page, so the player starts once and later movies show at once.

#include <QString>
#include <QWidget>

class TFlashPlayer;

class TFlashPreview : public QWidget {
    Q_OBJECT
public:
    enum class State {
        Starting,    // the player is being created
        Ready,       // the player runs and shows no movie
        Loading,     // a movie was handed over and is being opened
        Playing,     // the movie plays
        Finished,    // the movie reached its last frame, or Stop halted it
        Unavailable, // this machine cannot run the player
        Failed,      // the player could not open the movie
    };
    Q_ENUM(State)

    explicit TFlashPreview(QWidget* parent = nullptr);
    ~TFlashPreview() override;

    // Loads the movie at path and plays it once; replaces whatever plays now.
    void LoadMovie(const QString& path);
    // Halts the movie where it is.
    void Stop();

    State state() const { return currentState; }
    // The movie last handed to LoadMovie, empty before the first.
    QString moviePath() const { return currentPath; }
    // Why the last movie failed, as the player put it (state Failed).
    QString failureReason() const;

signals:
    void stateChanged(TFlashPreview::State state);
    // The player opened the movie and shows its first frame.
    void movieLoaded(const QString& path);

private:
    void SetState(State state);

    TFlashPlayer* player = nullptr;
    State currentState = State::Starting;
    QString currentPath;
    int serial = -1; // the player's serial of the movie now asked for
};
