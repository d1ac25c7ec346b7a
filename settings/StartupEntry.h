#pragma once
// The current user's Run-key value that starts the program with Windows.

constexpr char kStartupValueName[] = "Hushbar";

// Writes the value: this executable's path between double quotes, so that a path with
// blanks cannot be taken for a shorter program name. True when written.
bool SetStartupEntry(const char* valueName);
// Deletes the value; true when deleted.
bool RemoveStartupEntry(const char* valueName);
// Deletes the value only when it starts this executable (another copy's entry stays);
// true when deleted.
bool RemoveStartupEntryIfOurs(const char* valueName);
