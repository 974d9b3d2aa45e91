#include "CrashHandler.h"

#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "CCFileUtils.h"
#include "CCMessageBox.h"
#include "CCSignalStack.h"
#include "CDebugModule.h"
#include "ConnectingLayer.h"
#include "InstallId.h"

USING_NS_CC;

extern char** environ;

namespace {
constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int MAX_FRAMES = 128;
constexpr unsigned RANDOM_SPAN = 9999999;
constexpr unsigned RANDOM_BASE = 1000;
constexpr int MAX_NAME_TRIES = 1000;
constexpr size_t TEXT_SIZE = 4096;

// Everything the handler reads, filled at install: the handler allocates nothing.
struct Prepared {
    char folder[PATH_MAX] = {};
    char logPath[PATH_MAX] = {};
    char installId[INSTALL_ID_LENGTH + 1] = {};
    char buildId[2 * 64 + 1] = {};
    char program[PATH_MAX] = {};
    char* messageArgv[3] = {};
    bool fixedName = false;
    unsigned fixedRandom = 0;
    long long fixedSeconds = 0;
};

Prepared prepared;
bool installed = false;
// The thread writing the dump; others that crash meanwhile wait for the end.
std::atomic<pid_t> owner{0};

// Buffered output through write(2) only.
class Out {
public:
    explicit Out(int fd) : fd_(fd) {}
    ~Out() { flush(); }
    void put(const char* text) { putBytes(text, std::strlen(text)); }
    void putBytes(const char* bytes, size_t count) {
        while (count > 0) {
            if (used_ == sizeof buffer_) flush();
            size_t room = sizeof buffer_ - used_;
            size_t n = count < room ? count : room;
            std::memcpy(buffer_ + used_, bytes, n);
            used_ += n;
            bytes += n;
            count -= n;
        }
    }
    void putDecimal(long long value) {
        char digits[24];
        int n = 0;
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0);
        if (value < 0) putBytes("-", 1);
        while (n > 0) putBytes(&digits[--n], 1);
    }
    void putHex(uintptr_t value) {
        static const char HEX[] = "0123456789abcdef";
        char digits[2 + 2 * sizeof value];
        int n = 0;
        do {
            digits[n++] = HEX[value & 15];
            value >>= 4;
        } while (value > 0);
        putBytes("0x", 2);
        while (n > 0) putBytes(&digits[--n], 1);
    }
    void flush() {
        size_t done = 0;
        while (done < used_) {
            ssize_t n = write(fd_, buffer_ + done, used_ - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        used_ = 0;
    }

private:
    int fd_;
    char buffer_[TEXT_SIZE];
    size_t used_ = 0;
};

// A fixed-size text built without allocation.
struct Text {
    char bytes[PATH_MAX] = {};
    size_t length = 0;
    void add(const char* text) {
        while (*text && length + 1 < sizeof bytes) bytes[length++] = *text++;
        bytes[length] = 0;
    }
    void addDecimal(long long value) {
        char digits[24];
        int n = 0;
        bool negative = value < 0;
        unsigned long long magnitude =
            negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0);
        if (negative) add("-");
        char one[2] = {};
        while (n > 0) {
            one[0] = digits[--n];
            add(one);
        }
    }
};

void copyText(char* target, size_t size, const std::string& text) {
    if (text.size() >= size) return;
    std::memcpy(target, text.c_str(), text.size() + 1);
}

const char* signalName(int number) {
    switch (number) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
        case SIGABRT:
            return "SIGABRT";
        default:
            return "?";
    }
}

unsigned randomPart() {
    unsigned value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value))
        value = static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(time(nullptr));
    return value % RANDOM_SPAN + RANDOM_BASE;
}

// Opens a new dump file; an existing one is never touched: the next number is tried instead.
int createDumpFile(Text& path) {
    if (!prepared.folder[0]) return -1;
    unsigned random = prepared.fixedName ? prepared.fixedRandom : randomPart();
    long long seconds = prepared.fixedName ? prepared.fixedSeconds : static_cast<long long>(time(nullptr));
    const auto stamp = static_cast<int32_t>(static_cast<uint32_t>(seconds));
    for (int attempt = 0; attempt < MAX_NAME_TRIES; ++attempt) {
        path = Text();
        path.add(prepared.folder);
        path.add("zento_");
        path.addDecimal(random);
        path.add("_");
        path.addDecimal(stamp);
        path.add(".dmp");
        int fd = open(path.bytes, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
        random = random + 1 >= RANDOM_BASE + RANDOM_SPAN ? RANDOM_BASE : random + 1;
    }
    return -1;
}

void writeRegisters(Out& out, const ucontext_t* context) {
    out.put("registers:\n");
#if defined(__x86_64__)
    static const struct {
        const char* name;
        int index;
    } REGISTERS[] = {{"rip", REG_RIP}, {"rsp", REG_RSP},   {"rbp", REG_RBP}, {"rax", REG_RAX},
                     {"rbx", REG_RBX}, {"rcx", REG_RCX},   {"rdx", REG_RDX}, {"rsi", REG_RSI},
                     {"rdi", REG_RDI}, {"r8", REG_R8},     {"r9", REG_R9},   {"r10", REG_R10},
                     {"r11", REG_R11}, {"r12", REG_R12},   {"r13", REG_R13}, {"r14", REG_R14},
                     {"r15", REG_R15}, {"eflags", REG_EFL}};
    for (const auto& reg : REGISTERS) {
        out.put("  ");
        out.put(reg.name);
        out.put(" ");
        out.putHex(static_cast<uintptr_t>(context->uc_mcontext.gregs[reg.index]));
        out.put("\n");
    }
#elif defined(__aarch64__)
    out.put("  pc ");
    out.putHex(context->uc_mcontext.pc);
    out.put("\n  sp ");
    out.putHex(context->uc_mcontext.sp);
    out.put("\n");
    for (int i = 0; i < 31; ++i) {
        out.put("  x");
        out.putDecimal(i);
        out.put(" ");
        out.putHex(context->uc_mcontext.regs[i]);
        out.put("\n");
    }
#else
    (void)context;
#endif
}

uintptr_t faultingPc(const ucontext_t* context) {
#if defined(__x86_64__)
    return static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return context->uc_mcontext.pc;
#else
    (void)context;
    return 0;
#endif
}

void writeBacktrace(Out& out, const ucontext_t* context) {
    void* frames[MAX_FRAMES];
    int count = backtrace(frames, MAX_FRAMES);
    uintptr_t pc = context ? faultingPc(context) : 0;
    // The unwinder also walks the handler's own frames: the interrupted code starts at the pc.
    int first = 0;
    for (int i = 0; i < count; ++i) {
        if (reinterpret_cast<uintptr_t>(frames[i]) == pc) {
            first = i;
            break;
        }
    }
    out.put("backtrace:\n");
    if (pc && (count == 0 || reinterpret_cast<uintptr_t>(frames[first]) != pc)) {
        out.putHex(pc);
        out.put("\n");
    }
    for (int i = first; i < count; ++i) {
        out.putHex(reinterpret_cast<uintptr_t>(frames[i]));
        out.put("\n");
    }
}

void copyFile(Out& out, const char* path, long tailBytes) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    if (tailBytes > 0) {
        off_t end = lseek(fd, 0, SEEK_END);
        lseek(fd, end > tailBytes ? end - tailBytes : 0, SEEK_SET);
    }
    char buffer[TEXT_SIZE];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.putBytes(buffer, static_cast<size_t>(n));
    }
    close(fd);
}

void writeDump(int fd, int number, const siginfo_t* info, const ucontext_t* context) {
    Out out(fd);
    out.put("Zento crash dump\nversion: ");
    out.putDecimal(UpdateClient::localVersion());
    out.put("\nplatform: ");
    out.put(getPlatformTag());
    out.put("\ninstall id: ");
    out.put(prepared.installId);
    out.put("\ntime: ");
    out.putDecimal(static_cast<long long>(time(nullptr)));
    out.put("\nsignal: ");
    out.putDecimal(number);
    out.put(" ");
    out.put(signalName(number));
    out.put("\ncode: ");
    out.putDecimal(info ? info->si_code : 0);
    out.put("\naddress: ");
    out.putHex(info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0);
    out.put("\nthread: ");
    out.putDecimal(gettid());
    out.put("\n");
    if (context) writeRegisters(out, context);
    writeBacktrace(out, context);
    out.put("build id: ");
    out.put(prepared.buildId);
    out.put("\nmaps:\n");
    copyFile(out, "/proc/self/maps", 0);
    out.put("log tail:\n");
    if (prepared.logPath[0]) copyFile(out, prepared.logPath, CRASH_LOG_TAIL_BYTES);
}

void onAlarm(int) {}

// Runs the message box as a program of its own (nothing else is safe from here) and waits for it,
// at most CRASH_MESSAGE_SECONDS and a little.
void showMessage() {
    if (!prepared.messageArgv[0]) return;
    pid_t child = _Fork();
    if (child == 0) {
        // The alarm survives exec: the box ends by itself when nobody answers.
        alarm(CRASH_MESSAGE_SECONDS);
        execve(prepared.messageArgv[0], prepared.messageArgv, environ);
        _exit(127);
    }
    if (child < 0) return;
    struct sigaction wake = {};
    wake.sa_handler = onAlarm;
    sigemptyset(&wake.sa_mask);
    sigaction(SIGALRM, &wake, nullptr);
    sigset_t alarmOnly;
    sigemptyset(&alarmOnly);
    sigaddset(&alarmOnly, SIGALRM);
    sigprocmask(SIG_UNBLOCK, &alarmOnly, nullptr);
    alarm(CRASH_MESSAGE_SECONDS + 1);
    int status = 0;
    if (waitpid(child, &status, 0) < 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    alarm(0);
}

void onCrash(int number, siginfo_t* info, void* rawContext) {
    const pid_t self = gettid();
    pid_t none = 0;
    if (!owner.compare_exchange_strong(none, self)) {
        // Another thread writes its dump and ends the process; this one never returns.
        for (;;) pause();
    }
    const int savedErrno = errno;
    Text path;
    int fd = createDumpFile(path);
    if (fd >= 0) {
        writeDump(fd, number, info, static_cast<const ucontext_t*>(rawContext));
        fsync(fd);
        close(fd);
    }
    Out err(STDERR_FILENO);
    err.put(CRASH_MESSAGE);
    err.put("\n");
    if (fd >= 0) {
        err.put("dump: ");
        err.put(path.bytes);
        err.put("\n");
    }
    err.flush();
    showMessage();

    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int crash : CRASH_SIGNALS) sigaction(crash, &fallback, nullptr);
    errno = savedErrno;
    raise(number);
    // A fault signal that raise could not deliver while blocked comes back when the instruction runs
    // again on return, now with the default action.
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, number);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
}

int findBuildId(dl_phdr_info* info, size_t, void* data) {
    // The first object is the program itself.
    auto* target = static_cast<char*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_NOTE) continue;
        const char* note = reinterpret_cast<const char*>(info->dlpi_addr + header.p_vaddr);
        const char* end = note + header.p_memsz;
        while (note + sizeof(ElfW(Nhdr)) <= end) {
            const auto* nhdr = reinterpret_cast<const ElfW(Nhdr)*>(note);
            const char* name = note + sizeof(ElfW(Nhdr));
            const char* desc = name + ((nhdr->n_namesz + 3) & ~3u);
            if (nhdr->n_type == NT_GNU_BUILD_ID && nhdr->n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0) {
                static const char HEX[] = "0123456789abcdef";
                size_t n = nhdr->n_descsz < 64 ? nhdr->n_descsz : 64;
                for (size_t k = 0; k < n; ++k) {
                    auto byte = static_cast<unsigned char>(desc[k]);
                    target[2 * k] = HEX[byte >> 4];
                    target[2 * k + 1] = HEX[byte & 15];
                }
                target[2 * n] = 0;
                return 1;
            }
            note = desc + ((nhdr->n_descsz + 3) & ~3u);
        }
    }
    return 1;
}
}  // namespace

void installCrashHandler() {
    installSignalStack();
    if (installed) return;
    installed = true;

    const std::string folder = CCFileUtils::sharedFileUtils()->getWritablePath();
    copyText(prepared.folder, sizeof prepared.folder, folder);
    copyText(prepared.logPath, sizeof prepared.logPath, CDebugModule::getInstance()->getLogFilePath());
    copyText(prepared.installId, sizeof prepared.installId, loadInstallId(folder));
    dl_iterate_phdr(findBuildId, prepared.buildId);
    char program[PATH_MAX] = {};
    ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length > 0) {
        copyText(prepared.program, sizeof prepared.program,
                 std::string(program, static_cast<size_t>(length)));
        static char option[sizeof "--crash-message"] = {};
        copyText(option, sizeof option, CRASH_MESSAGE_OPTION);
        prepared.messageArgv[0] = prepared.program;
        prepared.messageArgv[1] = option;
        prepared.messageArgv[2] = nullptr;
    }
    // The first backtrace loads the unwinder, which must not happen inside the handler.
    void* warmUp[1];
    backtrace(warmUp, 1);

    struct sigaction action = {};
    action.sa_sigaction = onCrash;
    // Every crash signal stays blocked in the handler: a fault of the handler itself ends the process.
    sigemptyset(&action.sa_mask);
    for (int crash : CRASH_SIGNALS) sigaddset(&action.sa_mask, crash);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (int crash : CRASH_SIGNALS) sigaction(crash, &action, nullptr);
    logInfo("crash handler installed, dumps go to %s", folder.c_str());
}

void fixCrashDumpName(unsigned random, long long seconds) {
    prepared.fixedName = true;
    prepared.fixedRandom = random;
    prepared.fixedSeconds = seconds;
}

int showCrashMessageBox() {
    // The English line shows where the X fonts have no Chinese glyphs.
    const std::string text = std::string(CRASH_MESSAGE) + "\n\n" + CRASH_MESSAGE_ENGLISH;
    return CCMessageBox(text.c_str(), "Zento") ? 0 : 1;
}
