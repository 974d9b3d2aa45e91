#include "CCSignalStack.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

NS_CC_BEGIN

namespace {
// Owns one thread's stack: the thread-local destructor turns it off before the memory goes, so a
// late signal never lands on freed memory.
class ThreadSignalStack {
public:
    ~ThreadSignalStack() {
        if (!memory_) return;
        stack_t off = {};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        munmap(memory_, mapped_);
    }

    bool install() {
        if (memory_) return true;
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t mapped = SIGNAL_STACK_SIZE + page;
        void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return false;
        // The guard page turns an overflow of the handler itself into a plain fault.
        mprotect(memory, page, PROT_NONE);
        stack_t stack = {};
        stack.ss_sp = static_cast<char*>(memory) + page;
        stack.ss_size = SIGNAL_STACK_SIZE;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, mapped);
            return false;
        }
        memory_ = memory;
        mapped_ = mapped;
        return true;
    }

private:
    void* memory_ = nullptr;
    size_t mapped_ = 0;
};

thread_local ThreadSignalStack threadStack;
}  // namespace

bool installSignalStack() {
    return threadStack.install();
}

bool hasSignalStack() {
    stack_t current = {};
    return sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE);
}

NS_CC_END
