#pragma once

// The crash handler: on SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT it writes a dump file into the
// writable folder, prints CRASH_MESSAGE to stderr, shows it in a message box when it can, and ends
// the process by the same signal with its default action.
//
// The dump "zento_<random>_<time>.dmp" (0600, never over an existing file) is text: a header
// (version, install id, time, signal, code, fault address, thread, registers), the raw backtrace
// with the faulting instruction first, the program's build id, /proc/self/maps and the last
// CRASH_LOG_TAIL_BYTES of the debug log. Everything the handler needs is prepared at install, so the
// handler itself makes async-signal-safe calls only (and glibc's backtrace, loaded at install).
// A second thread that crashes while a dump is written waits for the process to end.

constexpr const char* CRASH_MESSAGE = "非常抱歉,程序出现不可恢复的错误,即将退出!";
constexpr const char* CRASH_MESSAGE_ENGLISH =
    "Sorry, Zento hit an error it cannot recover from and will close.";
constexpr const char* CRASH_DUMP_PATTERN = "zento_%d_%d.dmp";
constexpr const char* CRASH_MESSAGE_OPTION = "--crash-message";
constexpr long CRASH_LOG_TAIL_BYTES = 16 * 1024;
// The message box gets this long before the process ends without it.
constexpr unsigned CRASH_MESSAGE_SECONDS = 10;

// Installs the handler (once per process; later calls do nothing) and gives the calling thread its
// alternate signal stack. The message box is shown by running this program again with
// CRASH_MESSAGE_OPTION. Main thread.
void installCrashHandler();

// Fixes the random part and the time of the next dump's name (tests of the name collision only).
void fixCrashDumpName(unsigned random, long long seconds);

// Shows CRASH_MESSAGE in a message box (what the program does when started with
// CRASH_MESSAGE_OPTION). Returns the program's exit code.
int showCrashMessageBox();
