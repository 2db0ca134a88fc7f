// Process entry: a thin main that hands over to the game's own entry function, SDL_main (app/app.h).
int SDL_main(int argc, char **argv);

int main(int argc, char **argv) { return SDL_main(argc, argv); }
