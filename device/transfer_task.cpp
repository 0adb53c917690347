#include "transfer_task.h"

#include <array>
#include <new>

namespace tavik::task_detail {

namespace {
constexpr std::size_t ClassSize = 64;
constexpr std::size_t PooledClasses = 16;  // frames up to 1 KiB are kept

struct TFreeFrame {
    TFreeFrame* Next;
};
// The loop's thread alone makes and frees frames.
std::array<TFreeFrame*, PooledClasses> FreeFrames{};

std::size_t ClassOf(std::size_t size) { return (size + ClassSize - 1) / ClassSize; }
}  // namespace

void* AllocateFrame(std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (sizeClass == 0 || sizeClass > PooledClasses) return ::operator new(size);
    if (TFreeFrame* frame = FreeFrames[sizeClass - 1]) {
        FreeFrames[sizeClass - 1] = frame->Next;
        return frame;
    }
    return ::operator new(sizeClass * ClassSize);
}

void FreeFrame(void* frame, std::size_t size) noexcept {
    const std::size_t sizeClass = ClassOf(size);
    if (sizeClass == 0 || sizeClass > PooledClasses) return ::operator delete(frame);
    auto* free = static_cast<TFreeFrame*>(frame);
    free->Next = FreeFrames[sizeClass - 1];
    FreeFrames[sizeClass - 1] = free;
}

}  // namespace tavik::task_detail
