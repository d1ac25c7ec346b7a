#include "app/CommandLine.h"

#include <cctype>
#include <vector>

namespace {

struct SwitchName {
    const char* name;
    Command command;
};

constexpr SwitchName kSwitches[] = {
    {"on", Command::On},         {"off", Command::Off},   {"status", Command::Status},
    {"export", Command::Export}, {"uninstall", Command::Uninstall}, {"?", Command::Help},
    {"help", Command::Help},
};

std::vector<std::string> SplitArguments(const char* text) {
    std::vector<std::string> arguments;
    if (!text) return arguments;
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        std::string argument;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                argument += *p;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

bool SameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

CommandLine Refuse(std::string message) {
    CommandLine line;
    line.command = Command::Invalid;
    line.error = std::move(message);
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const char* text) {
    CommandLine line;
    const std::vector<std::string> arguments = SplitArguments(text);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
            return Refuse("Unexpected argument \"" + argument + "\". Run hushbar.exe /? for the options.");
        const std::string name = argument.substr(1);
        Command command = Command::Invalid;
        for (const SwitchName& entry : kSwitches)
            if (SameIgnoringCase(name, entry.name)) command = entry.command;
        if (command == Command::Invalid)
            return Refuse("Unknown switch \"" + argument + "\". Run hushbar.exe /? for the options.");
        if (line.command != Command::Run)
            return Refuse("Only one switch at a time: \"" + argument + "\" follows another.");
        line.command = command;
        if (command == Command::Export) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty() ||
                (arguments[i + 1][0] == '/' || arguments[i + 1][0] == '-'))
                return Refuse("/export needs the name of the .reg file to write.");
            line.file = arguments[++i];
        }
    }
    return line;
}

const char* CommandLineHelp() {
    return "Usage: hushbar.exe [/on | /off | /status | /export FILE.reg | /uninstall | /?]\n"
           "\n"
           "  (none)       start Hushbar in the system tray\n"
           "  /on          put blocking in force with the stored selection\n"
           "  /off         withdraw blocking\n"
           "  /status      exit code 0 = on, 1 = off, 2 = on but partial\n"
           "  /export F    write the policy the selection puts in force to the .reg file F\n"
           "  /uninstall   end a running copy, withdraw everything, remove Hushbar's settings\n"
           "  /?           this text\n"
           "\n"
           "Switches may start with / or - and ignore case. A wrong command line ends with code 87;\n"
           "/on and /off end with code 5 while an administrator's policy sets blocking.\n";
}
