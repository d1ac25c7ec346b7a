#include "app/App.h"
#include "app/CommandLine.h"
#include "app/Commands.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand) {
    // Without a switch the program starts in the tray; a switch does its work and ends,
    // with no window, tray icon or single-instance box.
    const CommandLine line = ParseCommandLine(arguments);
    if (line.command != Command::Run) return RunCommand(line);
    return RunApplication(instance, showCommand);
}
