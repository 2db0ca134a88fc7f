// loop.cpp - the program's entry function and its frame loop.
#include "app/app.h"

#include <SDL.h>
#include <GL/gl.h>
#include <cstdio>
#include "app/driver.h"

int SDL_main(int argc, char **argv) {
    (void)argc;
    (void)argv;
    setvbuf(stdout, nullptr, _IOLBF, 0);  // diagnostics stay on the terminal, a line at a time
    Game game{};  // lives for the whole run; every state keeps its address
    game_init(&game);
    Event event;
    do {
        event = event_make(0);
        while (driver_poll(event)) {
            if (event.type == EV_QUIT) game.quit = 1;
            game_event(&game, event);
        }
        for (int32_t n = ticks_due(); n > 0; n--)
            if (State *s = current_state(&game)) s->update();  // looked up again: update may switch
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (State *s = current_state(&game)) s->paint();
        SDL_GL_SwapBuffers();
    } while (!game.quit);
    game_shutdown(&game);
    return 0;
}
