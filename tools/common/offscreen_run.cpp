// Off-screen run: the one sequence of open, pose, frames and shut-down the shot, capture and bench tools share.
#include "common/offscreen_run.h"

#include "app/input.h"
#include "core/gl.h"
#include "render/frame.h"

int runOffscreen(OffscreenGame& game, const RunSetup& setup, const RunHooks& hooks) {
    // Before the game opens: start-up's unseen frames draw the text as the run will, with the same state.
    showFps = setup.overlay;
    openOffscreenGame(game, setup.size.width, setup.size.height);
    setFlightTime(game.registry, setup.time);
    // The keys act as the game's own key handler sees them, so the switches flip exactly as in play.
    for (int key : setup.keys) keyCallback(game.renderer.window, key, 0, GLFW_RELEASE, 0);
    const int count = hooks.opened ? hooks.opened(game) : setup.frames;

    keepPresentedFrames(game, setup.keepFrames);
    int finished = 0;
    while (finished < count) {
        const float step = hooks.before ? hooks.before(game, finished) : 0.0f;
        renderFrame(game.renderer, game.registry, step);
        if (hooks.after && !hooks.after(game, finished)) break;
        ++finished;
    }
    keepPresentedFrames(game, false);
    shutdownRenderer(game.renderer);
    return finished;
}
