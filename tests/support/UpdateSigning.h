#pragma once
// What the update server offers, made the way a distributor makes it: the descriptor
// with the package's size and SHA-256, signed with the build's development key by the
// project's own script (scripts/sign-update.sh, run as a Unix program beside Wine).
#include <string>

// "<?xml ...?><hushbar version=... dataversion=... size=... sha256=.../>"; without a
// package, no size or hash.
std::string OfferedDescriptor(const std::string& version, const std::string& dataVersion,
                              const std::string* package = nullptr);

// Runs the signing script on the file; true once `<file>.sig` is there.
bool SignWithBuildKey(const std::string& windowsPath);
