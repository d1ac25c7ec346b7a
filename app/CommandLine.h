#pragma once
// What the program was asked to do on its command line. Window-free, so tests call it
// directly; the switches act in app/Commands.
#include <string>

enum class Command { Run, On, Off, Status, Export, Uninstall, Help, Invalid };

// The exit code of a command line that cannot be understood (ERROR_INVALID_PARAMETER).
constexpr int kExitBadCommandLine = 87;

struct CommandLine {
    Command command = Command::Run;
    std::string file;   // the target of /export
    std::string error;  // why the line was refused, for Command::Invalid
};

// Reads the arguments after the program name. Switches start with '/' or '-' and ignore
// case; double quotes group blanks into one argument. One command at most; /export takes
// exactly one file name. Anything else gives Command::Invalid with a message.
CommandLine ParseCommandLine(const char* arguments);

// The text /? shows.
const char* CommandLineHelp();
