#pragma once

#include <cstddef>
#include <string>

// Checks and installation of the updater program. Main thread or any thread: no shared state.

// True for an ELF executable or shared object built for the processor this program runs on: an HTML
// error page or a program for another machine is never installed.
bool isElfForThisCpu(const void* bytes, size_t count);

// Writes bytes to a temporary file beside path, gives it mode 0755, flushes it and renames it over
// path, so the old program stays whole until the new one is complete. False (with a log line and
// the old file untouched) on any failure, also when the bytes are not an ELF program for this CPU.
bool installExecutable(const std::string& path, const void* bytes, size_t count);
