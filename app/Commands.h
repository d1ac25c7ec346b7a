#pragma once
// The command-line switches: each does its work without a window of its own and answers
// with an exit code (and a line on the console, when one is attached).
#include "app/CommandLine.h"

// Exit codes of /status.
constexpr int kStatusOn = 0;
constexpr int kStatusOff = 1;
constexpr int kStatusPartial = 2;
// /on or /off while an administrator's policy sets the state (ERROR_ACCESS_DENIED).
constexpr int kExitSetByPolicy = 5;

// The one place /status learns what is in force: 0, 1 or 2 as above (2 also when policy keeps
// a checked item allowed), its line, and, when asked, every target's state as the report
// the main dialog's Details would show.
#include <string>
int QueryBlockingStatus(const char*& line, std::string* report = nullptr);

// The block list, the user's stored settings and selection, and over them what `policy`
// forces: the state the main dialog and the switches work on.
struct AdminPolicy;
struct Settings;
class SelectionModel;
bool LoadStoredState(Settings& settings, SelectionModel& selection, const AdminPolicy& policy);

// Runs a command other than Command::Run; returns the process exit code.
int RunCommand(const CommandLine& line);
