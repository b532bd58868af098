// The import slots that let the program start on Windows 2000 and XP: this
// test program is linked with them as PloverTool.exe is, so its own import
// table and its own runtime show what the shipped program does. Wine exports
// every function, so the stand-ins are reached by asking a module that
// exports none of them.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/imports/KernelFallbacks.h"

// Hidden by the headers below Vista; declared here to call it through the
// import slot exactly as the runtime does.
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

namespace plover {
namespace {

using win32::TickCountExtender;

// --- widening the 32-bit tick count -------------------------------------------

TEST(TickCountExtender, CarriesEveryWrapIntoTheHighPart) {
    TickCountExtender extender;
    const std::vector<std::uint32_t> readings{12345u,      0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu,
                                              0x7FFFFFFFu, 0x10u,       0xFFFFFF00u, 0x05u};
    const std::vector<std::uint64_t> counts{12345u,         0x80000000u,    0xFFFFFFFFu,
                                            0x17FFFFFFFull, 0x17FFFFFFFull, 0x200000010ull,
                                            0x2FFFFFF00ull, 0x300000005ull};
    for (std::size_t i = 0; i < readings.size(); ++i)
        EXPECT_EQ(extender.Next([&] { return readings[i]; }), counts[i]) << "reading " << i;
}

TEST(TickCountExtender, ThreadsRacingAcrossAWrapNeverSeeAFalseOne) {
    // One shared tick source that wraps while four threads read it: a reading
    // that some other thread's newer count overtook must not count as a wrap.
    const std::uint64_t first = 0xFFFFF000u;
    constexpr int kThreads = 4, kCallsEach = 20000;
    std::atomic<std::uint64_t> source{first};
    TickCountExtender extender;
    std::vector<std::vector<std::uint64_t>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCallsEach; ++i) {
                seen[t].push_back(extender.Next([&] {
                    const auto reading = static_cast<std::uint32_t>(source.fetch_add(1));
                    // Let other threads store newer counts between this
                    // reading and its use.
                    std::this_thread::yield();
                    return reading;
                }));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    const std::uint64_t end = source.load();
    ASSERT_GT(end, 0x100000000ull) << "the source never wrapped";
    for (int t = 0; t < kThreads; ++t) {
        for (std::size_t i = 0; i < seen[t].size(); ++i) {
            ASSERT_GE(seen[t][i], first) << "thread " << t << " call " << i;
            ASSERT_LT(seen[t][i], end) << "thread " << t << " call " << i;
            if (i > 0) {
                ASSERT_GE(seen[t][i], seen[t][i - 1]) << "thread " << t << " call " << i;
            }
        }
    }
}

// --- what each slot leads to ---------------------------------------------------

HMODULE Kernel() { return GetModuleHandleA("kernel32.dll"); }
// This program exports nothing: asked for a function, it answers as an old
// KERNEL32 would.
HMODULE ExportsNothing() { return GetModuleHandleA(nullptr); }

std::atomic<int> handledExceptions{0};
constexpr DWORD kProbeException = 0xE0504C56;

LONG CALLBACK CountProbeException(PEXCEPTION_POINTERS pointers) {
    if (pointers->ExceptionRecord->ExceptionCode != kProbeException)
        return EXCEPTION_CONTINUE_SEARCH;
    ++handledExceptions;
    return EXCEPTION_CONTINUE_EXECUTION;
}

template <class Function>
Function KernelExport(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(Kernel(), name)));
}

TEST(KernelFallbacks, TakeTheSystemFunctionsWhereKernel32ExportsThem) {
    EXPECT_EQ(win32::ChooseTickCount64(Kernel()),
              KernelExport<win32::TickCount64Function>("GetTickCount64"));
    EXPECT_EQ(win32::ChooseAddVectoredExceptionHandler(Kernel()),
              KernelExport<win32::AddVectoredHandlerFunction>("AddVectoredExceptionHandler"));
    EXPECT_EQ(win32::ChooseRemoveVectoredExceptionHandler(Kernel()),
              KernelExport<win32::RemoveVectoredHandlerFunction>("RemoveVectoredExceptionHandler"));
}

TEST(KernelFallbacks, WithoutGetTickCount64TheWidenedTickCountFollowsGetTickCount) {
    const auto tickCount64 = win32::ChooseTickCount64(ExportsNothing());
    ASSERT_EQ(tickCount64, &win32::TickCount64FromTickCount);
    ULONGLONG previous = 0;
    for (int i = 0; i < 50; ++i) {
        const DWORD before = GetTickCount();
        const ULONGLONG now = tickCount64();
        const DWORD after = GetTickCount();
        // The count starts from the first reading and nothing has wrapped
        // since, so it is the tick count itself, read between the others.
        EXPECT_EQ(now >> 32, 0u);
        EXPECT_LE(before, static_cast<DWORD>(now));
        EXPECT_LE(static_cast<DWORD>(now), after);
        EXPECT_GE(now, previous);
        previous = now;
        Sleep(1);
    }
}

TEST(KernelFallbacks, WithoutVectoredHandlersNoneIsInstalledAndNoneRemoved) {
    const auto add = win32::ChooseAddVectoredExceptionHandler(ExportsNothing());
    const auto remove = win32::ChooseRemoveVectoredExceptionHandler(ExportsNothing());
    EXPECT_EQ(add(1, &CountProbeException), nullptr);
    EXPECT_EQ(remove(nullptr), 0u);
}

TEST(KernelFallbacks, AChosenVectoredHandlerReallyHandlesExceptions) {
    const auto add = win32::ChooseAddVectoredExceptionHandler(Kernel());
    const auto remove = win32::ChooseRemoveVectoredExceptionHandler(Kernel());
    const PVOID handle = add(1, &CountProbeException);
    ASSERT_NE(handle, nullptr);
    RaiseException(kProbeException, 0, 0, nullptr);
    EXPECT_EQ(handledExceptions.load(), 1);
    EXPECT_NE(remove(handle), 0u);
}

// --- the slots in a linked program --------------------------------------------

std::set<std::string> OwnKernelImports() {
    const auto base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> names;
    for (auto dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         dll->Name; ++dll) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + dll->Name), "kernel32.dll") != 0)
            continue;
        const DWORD lookup = dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk;
        for (auto thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
             thunk->u1.AddressOfData; ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
            const auto byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
            names.insert(reinterpret_cast<const char*>(byName->Name));
        }
    }
    return names;
}

TEST(KernelFallbackSlots, KeepTheNewerFunctionsOutOfTheImportTable) {
    const std::set<std::string> imports = OwnKernelImports();
    ASSERT_TRUE(imports.count("GetTickCount")) << "the import table was not read";
    EXPECT_FALSE(imports.count("GetTickCount64"));
    EXPECT_FALSE(imports.count("AddVectoredExceptionHandler"));
    EXPECT_FALSE(imports.count("RemoveVectoredExceptionHandler"));
}

TEST(KernelFallbackSlots, ACallThroughTheSlotReachesTheSystemFunction) {
    const auto system = win32::ChooseTickCount64(Kernel());
    const ULONGLONG before = system();
    const ULONGLONG throughSlot = GetTickCount64();
    const ULONGLONG after = system();
    EXPECT_LE(before, throughSlot);
    EXPECT_LE(throughSlot, after);
}

TEST(KernelFallbackSlots, TheRuntimesTimedWaitsStillEnd) {
    std::mutex mutex;
    std::condition_variable neverSignalled;
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_EQ(neverSignalled.wait_for(lock, std::chrono::milliseconds(20)),
              std::cv_status::timeout);
    std::thread joined([] {});
    joined.join();
}

}  // namespace
}  // namespace plover
