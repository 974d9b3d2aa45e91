#pragma once

#include <optional>
#include <string>
#include <string_view>

// Turns an archive entry's stored name into the path it is written to under the destination folder.
// A name is refused (nullopt) when it is empty, absolute ("/x", "\x", "C:x"), climbs out with a ".."
// component, or names the destination itself: such entries are never written. "\" counts as a folder
// separator like "/", since archives made on Windows use it; "." components and doubled separators
// are dropped.
class EntryPath {
public:
    static std::optional<std::string> resolve(std::string_view destination, std::string_view storedName);

    // A stored name ending in "/" (or "\") is a folder entry.
    static bool namesFolder(std::string_view storedName);
};
