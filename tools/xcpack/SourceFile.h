#pragma once

#include <optional>
#include <string>
#include <vector>

// Whole-file read of a table source, and the atomic write of a packed table.

// The file's bytes, or none with error naming the path.
std::optional<std::string> readSourceFile(const std::string& path, std::string& error);
// Writes the bytes to a temporary file beside path and renames it over path, creating the folder when
// needed, so a build never leaves half a table behind. False with error set on any failure.
bool writeOutputFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error);
