#pragma once

#include <string>

// A random number that tells one installation's crash dumps from another's. It names nothing about
// the machine: it is drawn once with getrandom and kept in the writable folder.

constexpr const char* INSTALL_ID_FILE = "install.id";
constexpr size_t INSTALL_ID_LENGTH = 32;

// The id kept in folder + INSTALL_ID_FILE (folder ends in "/"); a missing or malformed file is
// replaced (temporary file, then rename) by a fresh id. Empty when no randomness or no file can be
// had. Any thread, but not concurrently with itself on one folder.
std::string loadInstallId(const std::string& folder);

// True for exactly INSTALL_ID_LENGTH lower-case hex digits.
bool isValidInstallId(const std::string& text);
