#pragma once
// What every user of a Flash player sees of it: the authoring program's preview, the settings
// window and the screensaver runtime all drive a player through this interface, so the
// runtime can load the player from a module (and say clearly when the web engine behind it is
// missing) and tests can stand in a player of their own.
//
// Header only: the runtime and the player module each compile it, so it holds no Qt object
// with signals of its own.

#include <QByteArray>
#include <QColor>
#include <QString>

class QWidget;

// How the movie sits in the player: scaled to fit, keeping its proportions, or at its own
// frame size; either way centred, the look's background colour around it.
enum class TPlayerFit { ShowAll, OriginalSize };

struct TPlayerLook {
    QColor background = QColor(0x26, 0x26, 0x26);
    QColor text = QColor(0xb8, 0xb8, 0xb8);
    QString idleHint;     // shown while no movie plays
    QString failedHint;   // shown instead of a movie that cannot be played
    QString detailsLabel; // the link under a failure that shows what the player said in full
    TPlayerFit fit = TPlayerFit::ShowAll;
    bool mute = false;
    // Compiles the player at start with an invisible movie, so that the first movie asked for
    // later shows at once. A player that is given its first movie right away gains nothing.
    bool warmUp = false;
    bool hideCursor = false;
};

// A movie ready for the player.
struct TPlayerMovie {
    QByteArray bytes; // the movie's file ("FWS", "CWS" or "ZWS")
    QString name;     // for messages
    int width = 0;    // frame size in pixels from the header; 0 when unknown
    int height = 0;
    // The movie rests on its last frame by itself (it carries a stop action there).
    bool stopsItself = false;
    // When above 0 and the movie does not stop itself, the player pauses it after this many
    // seconds, so that it plays once instead of looping.
    double pauseAfterSeconds = 0;
};

// What a player reports, each call naming the Load it answers.
class IMoviePlayerListener {
public:
    // Started and able to take movies (a movie given earlier is then loaded at once).
    virtual void PlayerReady() {}
    // The movie was opened and its first frame is being drawn.
    virtual void MovieStarted(int serial) { (void)serial; }
    // It reached its end (pauseAfterSeconds, or its stop action's frame).
    virtual void MovieFinished(int serial) { (void)serial; }
    // It cannot be played; the player shows the failed hint and stays usable.
    virtual void MovieFailed(int serial) { (void)serial; }
    // The player itself cannot run (the web engine could not start); nothing will play.
    virtual void PlayerBroken(const QString& why) { (void)why; }

protected:
    ~IMoviePlayerListener() = default;
};

class IMoviePlayer {
public:
    virtual ~IMoviePlayer() = default;
    // The widget that shows the movie; the player belongs to it (deleting either ends both).
    virtual QWidget* Widget() = 0;
    // Replaces whatever plays by the movie and returns the serial its reports carry.
    virtual int Load(const TPlayerMovie& movie) = 0;
    // Halts the movie where it is.
    virtual void Stop() = 0;
    // Changes the look for the movies that follow (the background at once).
    virtual void SetLook(const TPlayerLook& look) = 0;
    // Where reports go; nullptr for nowhere. The listener must outlive the player or be reset.
    virtual void SetListener(IMoviePlayerListener* listener) = 0;
};

// The entry of the player module (a shared object the screensaver runtime loads at run time).
struct TPlayerModuleApi {
    int abi; // kPlayerModuleAbi
    // Why the web engine cannot run on this machine, or "" when it can.
    QString (*Problem)();
    // A new player inside parent (which may be null for a top-level widget).
    IMoviePlayer* (*Create)(const TPlayerLook& look, QWidget* parent);
};
inline constexpr int kPlayerModuleAbi = 1;
inline constexpr const char* kPlayerModuleEntry = "gld_player_module_api";
