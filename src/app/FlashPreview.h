#pragma once
// The Files page's live preview: plays the selected Flash movie once, scaled to fit.
//
// Behind it runs Ruffle, the open-source Flash Player emulator, in a web view showing a local
// page of the program folder ("flashpreview.html" beside "ruffle/"). The player needs about
// two seconds to start; until then a quiet placeholder shows, and a movie asked for meanwhile
// plays as soon as the player is ready. Nothing here waits: every step reports back through
// stateChanged. Builds without the web engine get a pane that says the preview is unavailable.

#include <QString>
#include <QWidget>

class QLabel;
class QStackedLayout;
class QTimer;
class QWebEngineView;

class TFlashPreview : public QWidget {
    Q_OBJECT
public:
    enum class State {
        Starting,    // the player is being created
        Ready,       // the player runs and shows no movie
        Loading,     // a movie was handed over and is being opened
        Playing,     // the movie plays
        Finished,    // the movie reached its last frame, or Stop halted it
        Unavailable, // this build or program folder has no player
        Failed,      // the player could not start or could not open the movie
    };
    Q_ENUM(State)

    // playerFolder: the folder holding "flashpreview.html" and "ruffle/".
    explicit TFlashPreview(const QString& playerFolder, QWidget* parent = nullptr);
    ~TFlashPreview() override;

    // Loads the movie at path and plays it once; replaces whatever plays now.
    void LoadMovie(const QString& path);
    // Halts the movie where it is.
    void Stop();

    State state() const { return currentState; }
    // The movie last handed to LoadMovie, empty before the first.
    QString moviePath() const { return currentPath; }

    QString PlayerFolder() const { return playerFolder; }
    // Whether this build can show the preview at all.
    static bool WebEngineAvailable();

signals:
    void stateChanged(TFlashPreview::State state);
    // The player opened the movie and reported its facts (frame size, frames, rate).
    void movieLoaded(const QString& path);

private:
    void SetState(State state);
    void ShowPlaceholder(const QString& text);
    void StartPlayer();
    void OnPlayerReport(const QString& what, const QString& json);
    void SendLoad();

    QString playerFolder;
    QStackedLayout* stack = nullptr;
    QLabel* placeholder = nullptr;
    QWebEngineView* view = nullptr;
    QTimer* startTimeout = nullptr;
    State currentState = State::Starting;
    QString currentPath;
    int serial = 0; // matches the player's reports to the LoadMovie they answer
    bool playerReady = false;
};
