#pragma once

#include <cstddef>

// The memory of every KLineBar (KLineBar's own operator new and delete come here), carved from
// blocks so that making a bar is no heap call: a history file of a million bars would otherwise
// cost a million allocations on the parse thread.
//
// Each thread carves bars from its own current block without a lock; a bar may be freed on any
// thread. A block returns to the heap once its last bar is freed and its thread has moved on to
// another block (or ended). Bars never move, so pointers to them stay valid for their lifetime.
// Blocks of several megabytes ask the kernel for huge pages: faulting a million bars in page by
// page costs more than parsing them.
class KLineBarPool {
public:
    // Room for one bar of at most `size` bytes; throws std::bad_alloc when the heap has none left.
    static void* allocate(std::size_t size);
    // Gives a bar's room back; null is ignored.
    static void release(void* bar) noexcept;
    // Makes sure this thread's block has room for `count` more bars, so that a parse of a known size
    // takes one block instead of a growing chain. Throws std::bad_alloc like allocate.
    static void reserve(std::size_t count);
};
