#pragma once

#include <cstddef>
#include <memory>

// The large buffers of a conversion: the text read ahead and the blocks of
// the table. Fresh memory costs a fault for every page the first time it is
// written, and on a virtual machine each costs several microseconds, so
// where the system has large pages these buffers lie on them (the platform
// layer decides), a fault for every 2 MiB.
namespace quorvane::tag {

// `size` bytes, not initialised; throws std::bad_alloc.
void* AllocateLarge(std::size_t size);
void FreeLarge(void* bytes) noexcept;

template <typename T> struct LargeFree final {
    void operator()(T* bytes) const noexcept { FreeLarge(bytes); }
};

// An array of bytes from AllocateLarge.
template <typename T> using LargeArray = std::unique_ptr<T[], LargeFree<T>>;

template <typename T> LargeArray<T> MakeLarge(std::size_t count) {
    static_assert(sizeof(T) == 1, "bytes only: nothing is constructed");
    return LargeArray<T>(static_cast<T*>(AllocateLarge(count)));
}

// A block of table text, handed from sink to sink.
using Block = LargeArray<char>;

} // namespace quorvane::tag
