#include "app/App.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The program has no command-line options.
    return RunApplication(instance, showCommand);
}
