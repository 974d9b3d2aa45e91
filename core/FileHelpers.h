#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CCmdPacket.h"
#include "Md5.h"

// Whole-file read and save, gzip inflation and small string helpers. Paths are UTF-8 in the engine's
// path form. The helpers keep no state of their own: the file functions belong to the main thread
// (they use the engine's file utilities); gzipInflate, md5Hex and the string helpers may run on any
// thread.

// Every byte of a data table ("res/database/*.xc") is XOR-ed with this key. The table packer
// scrambles with it and readPacketFile restores with it; both must change together.
constexpr unsigned char DATA_TABLE_KEY = 0x5A;

// Folder paths this long or longer are refused by makeDirs.
constexpr size_t MAX_DIR_PATH_LENGTH = 1000;

// XORs every byte with DATA_TABLE_KEY; applying it twice restores the bytes.
void scrambleDataTable(unsigned char* bytes, size_t count);

// The whole file, resolved through the engine's search paths, or none when it cannot be read.
std::optional<std::vector<unsigned char>> readFile(const std::string& path);

// A data table restored with DATA_TABLE_KEY, as a packet in read mode; null when the file cannot
// be read.
std::unique_ptr<CCmdPacket> readPacketFile(const std::string& path);

// Replaces the file atomically (temporary file + rename), creating missing folders on a second try.
// The replaced file keeps its mode; a symbolic link is written through to its target and stays a
// link. A crash or a failed write leaves the old file as it was. False when the path or the bytes are
// missing, the count is 0, or the write fails; each outcome is printed to the engine log.
bool saveFile(const std::string& path, const void* bytes, size_t count);

// Creates every missing folder on the way to the file named by path (the last part is the file's
// name and is not created). False when a folder path reaches MAX_DIR_PATH_LENGTH bytes or cannot be
// created.
bool makeDirs(const std::string& path);

// Every occurrence of from, scanning on after each replacement; an empty from leaves text as is.
std::string replaceAll(std::string text, const std::string& from, const std::string& to);

// The pieces between delimiters; empty pieces are kept, also a trailing one ("a,,b," gives four).
std::vector<std::string> splitString(const std::string& text, char delimiter);
// The same with a delimiter of several characters; an empty delimiter gives the whole text.
std::vector<std::string> splitString(const std::string& text, const std::string& delimiter);

// The names (without folder) matching a wildcard pattern in one folder, in glob(3) order; each is
// logged at level 1.
std::vector<std::string> listFiles(const std::string& pattern);

// Inflates one gzip stream into destination, whose size destinationLength gives. Returns 0 and sets
// destinationLength to the bytes produced only when the stream ends (trailer and checksum read);
// returns -1 for truncated or corrupt input and when the output would not fit.
int gzipInflate(const unsigned char* source, size_t sourceLength, unsigned char* destination,
                size_t& destinationLength);
// The same into a vector that grows until the stream ends. A stream that would inflate beyond
// maxLength bytes fails (-1) instead of being cut. On failure the vector is left empty.
int gzipInflate(const unsigned char* source, size_t sourceLength, std::vector<unsigned char>& destination,
                size_t maxLength = SIZE_MAX);

// The same piece by piece: `sink` receives the output as it is produced, one buffer-full at a time,
// so that a large stream never sits inflated in memory at once. Same result and log lines as the
// vector form; on failure the pieces already handed over must be discarded by the caller.
int gzipInflatePieces(const unsigned char* source, size_t sourceLength, size_t maxLength,
                      const std::function<void(const unsigned char*, size_t)>& sink);

// A display title: ASCII costs 1, any other character 3, from a budget of 3 (the ellipsis) up to
// 20; a text that fits comes back unchanged, otherwise the characters walked followed by "...".
std::string shortenText(const std::string& text);
