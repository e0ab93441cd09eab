// The player as a module: the screensaver runtime loads this shared object at run time, so
// that a machine without the web engine gets a clear message instead of a loader error.

#include "FlashPlayer.h"
#include "MoviePlayer.h"

namespace {

QString Problem() {
    return TFlashPlayer::WebEngineProblem();
}

IMoviePlayer* Create(const TPlayerLook& look, QWidget* parent) {
    return new TFlashPlayer(look, parent);
}

} // namespace

extern "C" Q_DECL_EXPORT const TPlayerModuleApi* gld_player_module_api() {
    static const TPlayerModuleApi api{kPlayerModuleAbi, &Problem, &Create};
    return &api;
}
