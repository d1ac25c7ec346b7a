#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* line;
    Command command;
    const char* file;
};

const Row kRows[] = {
    {"", Command::Run, ""},
    {"   ", Command::Run, ""},
    {"/on", Command::On, ""},
    {"-OFF", Command::Off, ""},
    {"/Status", Command::Status, ""},
    {"/uninstall", Command::Uninstall, ""},
    {"/?", Command::Help, ""},
    {"-?", Command::Help, ""},
    {"/export out.reg", Command::Export, "out.reg"},
    {"/EXPORT \"C:\\a b\\out.reg\"", Command::Export, "C:\\a b\\out.reg"},
    {"  /off  ", Command::Off, ""},
    // Refused: unknown, doubled, missing or stray arguments.
    {"/onn", Command::Invalid, ""},
    {"/", Command::Invalid, ""},
    {"on", Command::Invalid, ""},
    {"/on /off", Command::Invalid, ""},
    {"/on /on", Command::Invalid, ""},
    {"/export", Command::Invalid, ""},
    {"/export \"\"", Command::Invalid, ""},
    {"/export /on", Command::Invalid, ""},
    {"/export a.reg b.reg", Command::Invalid, ""},
    {"/status extra", Command::Invalid, ""},
};

TEST(CommandLineTest, EachLineGivesItsCommandOrAReason) {
    for (const Row& row : kRows) {
        const CommandLine line = ParseCommandLine(row.line);
        EXPECT_EQ(row.command, line.command) << row.line;
        EXPECT_EQ(row.file, line.file) << row.line;
        EXPECT_EQ(row.command == Command::Invalid, !line.error.empty()) << row.line;
    }
    EXPECT_EQ(Command::Run, ParseCommandLine(nullptr).command);
}

}  // namespace
