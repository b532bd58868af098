#pragma once
// The static POSIX-threads runtime that std::thread and std::mutex rest on is
// built for newer Windows: it imports GetTickCount64 (Vista) and the
// vectored-exception-handler pair (XP). One missing import and Windows 2000
// or XP refuses to start the program at all, so KernelFallbacks.cpp defines
// the import slots those references bind to. Each slot leads to the system's
// own function where KERNEL32 exports it and to a stand-in where it does not;
// the runtime itself stays as it is.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace plover::win32 {

// Turns 32-bit tick readings, which wrap every 49.7 days, into a 64-bit count
// that does not. A wrap is seen as long as successive readings are less than
// 49.7 days apart. Safe to share between threads: a reading is taken after the
// last count was loaded, so it is never older than that count.
class TickCountExtender {
public:
    template <class ReadTicks>
    std::uint64_t Next(ReadTicks readTicks) noexcept {
        std::uint64_t last = last_.load(std::memory_order_acquire);
        for (;;) {
            const std::uint32_t reading = readTicks();
            const std::uint64_t next =
                last == kNone
                    ? reading
                    : last + static_cast<std::uint32_t>(reading - static_cast<std::uint32_t>(last));
            if (last_.compare_exchange_weak(last, next, std::memory_order_acq_rel,
                                            std::memory_order_acquire))
                return next;
        }
    }

private:
    static constexpr std::uint64_t kNone = ~std::uint64_t{0};
    std::atomic<std::uint64_t> last_{kNone};
};

using TickCount64Function = ULONGLONG(WINAPI*)();
using AddVectoredHandlerFunction = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveVectoredHandlerFunction = ULONG(WINAPI*)(PVOID);

// GetTickCount64 for systems before Vista: GetTickCount, widened.
ULONGLONG WINAPI TickCount64FromTickCount();

// What each slot leads to when `kernel` is the module that should export the
// function: the export itself, or the stand-in when it is missing. Windows
// 2000 has no vectored handlers; the runtime copes with none being installed.
TickCount64Function ChooseTickCount64(HMODULE kernel);
AddVectoredHandlerFunction ChooseAddVectoredExceptionHandler(HMODULE kernel);
RemoveVectoredHandlerFunction ChooseRemoveVectoredExceptionHandler(HMODULE kernel);

}  // namespace plover::win32
