#include "KLineBarPool.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "KLineBar.h"

namespace {
// A block starts with its count of references: one per slot not yet freed (carved or still
// uncarved) plus one while it is a thread's current block. Retiring a block gives back its
// uncarved slots and the thread's reference in one step, so carving a bar needs no atomic operation.
struct Block {
    std::atomic<size_t> references;
};

constexpr size_t roundUp(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

// A slot is the owning block's address followed by the bar.
constexpr size_t SLOT_HEADER_BYTES = sizeof(Block*);
constexpr size_t SLOT_BYTES = roundUp(SLOT_HEADER_BYTES + sizeof(KLineBar), alignof(Block*));
constexpr size_t BLOCK_HEADER_BYTES = roundUp(sizeof(Block), alignof(std::max_align_t));
static_assert(alignof(KLineBar) <= alignof(Block*), "the slot header must keep the bar aligned");

// Blocks of one thread grow from a few bars (a chart's live bars) to a few megabytes.
constexpr size_t FIRST_BLOCK_BARS = 64;
constexpr size_t MAX_GROWN_BLOCK_BARS = 8192;
// A reserved block is capped too, so that a huge file becomes several blocks that free separately.
constexpr size_t MAX_BLOCK_BARS = size_t{1} << 18;
constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;
constexpr size_t MIN_HUGE_BLOCK_BYTES = 2 * HUGE_PAGE_BYTES;

void drop(Block* block, size_t count) noexcept {
    if (block->references.fetch_sub(count, std::memory_order_acq_rel) == count) {
        block->~Block();
        std::free(block);
    }
}

class Cursor {
public:
    Cursor() = default;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    ~Cursor() { retire(); }

    size_t room() const { return static_cast<size_t>(end_ - next_) / SLOT_BYTES; }

    void* carve() {
        if (next_ == end_) {
            if (reservedLeft_ > 0) {
                start(reservedLeft_);
            } else {
                start(nextBars_);
                nextBars_ = std::min(nextBars_ * 2, MAX_GROWN_BLOCK_BARS);
            }
        }
        if (reservedLeft_ > 0) --reservedLeft_;
        char* slot = next_;
        next_ += SLOT_BYTES;
        *reinterpret_cast<Block**>(slot) = block_;
        return slot + SLOT_HEADER_BYTES;
    }

    // The next `count` bars come from blocks sized for them.
    void reserve(size_t count) {
        reservedLeft_ = count;
        if (room() < count) start(count);
    }

private:
    void start(size_t bars) {
        bars = std::clamp<size_t>(bars, 1, MAX_BLOCK_BARS);
        size_t bytes = BLOCK_HEADER_BYTES + bars * SLOT_BYTES;
        void* memory = nullptr;
        if (bytes >= MIN_HUGE_BLOCK_BYTES) {
            bytes = roundUp(bytes, HUGE_PAGE_BYTES);
            memory = std::aligned_alloc(HUGE_PAGE_BYTES, bytes);
            // Only advice: without huge pages the block works the same, just slower to fault in.
            if (memory) madvise(memory, bytes, MADV_HUGEPAGE);
        } else {
            memory = std::malloc(bytes);
        }
        if (!memory) throw std::bad_alloc();
        retire();
        const size_t slots = (bytes - BLOCK_HEADER_BYTES) / SLOT_BYTES;
        block_ = new (memory) Block{slots + 1};
        next_ = static_cast<char*>(memory) + BLOCK_HEADER_BYTES;
        end_ = next_ + slots * SLOT_BYTES;
    }

    void retire() noexcept {
        if (!block_) return;
        Block* block = block_;
        const size_t unused = room();
        block_ = nullptr;
        next_ = end_ = nullptr;
        drop(block, unused + 1);
    }

    Block* block_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
    size_t nextBars_ = FIRST_BLOCK_BARS;
    size_t reservedLeft_ = 0;
};

thread_local Cursor cursor;
}  // namespace

// Under AddressSanitizer every bar is its own heap block, so that a use after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool OWN_BLOCKS = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool OWN_BLOCKS = false;
#else
constexpr bool OWN_BLOCKS = true;
#endif
#else
constexpr bool OWN_BLOCKS = true;
#endif

void* KLineBarPool::allocate(std::size_t size) {
    assert(size <= sizeof(KLineBar) && "KLineBarPool only holds KLineBar records");
    if (size > sizeof(KLineBar)) throw std::bad_alloc();
    if (!OWN_BLOCKS) return ::operator new(size);
    return cursor.carve();
}

void KLineBarPool::release(void* bar) noexcept {
    if (!bar) return;
    if (!OWN_BLOCKS) return ::operator delete(bar);
    Block* block = *reinterpret_cast<Block**>(static_cast<char*>(bar) - SLOT_HEADER_BYTES);
    drop(block, 1);
}

void KLineBarPool::reserve(std::size_t count) {
    if (OWN_BLOCKS) cursor.reserve(count);
}
