#include "platform/win32/imports/KernelFallbacks.h"

namespace plover::win32 {

namespace {

template <class Function>
Function Export(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // FARPROC stands for any exported function; the name fixes the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

PVOID WINAPI NoVectoredHandlers(ULONG, PVECTORED_EXCEPTION_HANDLER) { return nullptr; }

ULONG WINAPI NothingToRemove(PVOID) { return 0; }

// The first call through a slot picks the function once; the runtime calls
// the vectored-handler slot from its TLS callback, before any constructor of
// ours has run, so everything here is constant-initialized.
template <class Function>
Function Resolved(std::atomic<Function>& chosen, Function (*choose)(HMODULE)) {
    Function function = chosen.load(std::memory_order_acquire);
    if (!function) {
        function = choose(GetModuleHandleA("kernel32.dll"));
        chosen.store(function, std::memory_order_release);
    }
    return function;
}

std::atomic<TickCount64Function> chosenTickCount64{nullptr};
std::atomic<AddVectoredHandlerFunction> chosenAddVectored{nullptr};
std::atomic<RemoveVectoredHandlerFunction> chosenRemoveVectored{nullptr};

ULONGLONG WINAPI TickCount64ThroughSlot() {
    return Resolved(chosenTickCount64, &ChooseTickCount64)();
}

PVOID WINAPI AddVectoredThroughSlot(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    return Resolved(chosenAddVectored, &ChooseAddVectoredExceptionHandler)(first, handler);
}

ULONG WINAPI RemoveVectoredThroughSlot(PVOID handle) {
    return Resolved(chosenRemoveVectored, &ChooseRemoveVectoredExceptionHandler)(handle);
}

TickCountExtender tickCountExtender;

}  // namespace

ULONGLONG WINAPI TickCount64FromTickCount() {
    return tickCountExtender.Next([] { return static_cast<std::uint32_t>(::GetTickCount()); });
}

TickCount64Function ChooseTickCount64(HMODULE kernel) {
    const auto system = Export<TickCount64Function>(kernel, "GetTickCount64");
    return system ? system : &TickCount64FromTickCount;
}

AddVectoredHandlerFunction ChooseAddVectoredExceptionHandler(HMODULE kernel) {
    const auto system = Export<AddVectoredHandlerFunction>(kernel, "AddVectoredExceptionHandler");
    return system ? system : &NoVectoredHandlers;
}

RemoveVectoredHandlerFunction ChooseRemoveVectoredExceptionHandler(HMODULE kernel) {
    const auto system =
        Export<RemoveVectoredHandlerFunction>(kernel, "RemoveVectoredExceptionHandler");
    return system ? system : &NothingToRemove;
}

}  // namespace plover::win32

// The import slots themselves, under the names the runtime's references carry
// (decorated with the argument size on 32-bit x86). Defined here, they keep
// the linker from taking the KERNEL32 import library's entries, so the import
// table never names these functions.
#if defined(__i386__)
#define PLOVER_IMPORT_SLOT(name, argumentBytes) "__imp__" #name "@" #argumentBytes
#else
#define PLOVER_IMPORT_SLOT(name, argumentBytes) "__imp_" #name
#endif

extern "C" {
plover::win32::TickCount64Function ploverGetTickCount64Slot __asm__(
    PLOVER_IMPORT_SLOT(GetTickCount64, 0)) = &plover::win32::TickCount64ThroughSlot;
plover::win32::AddVectoredHandlerFunction ploverAddVectoredExceptionHandlerSlot __asm__(
    PLOVER_IMPORT_SLOT(AddVectoredExceptionHandler, 8)) = &plover::win32::AddVectoredThroughSlot;
plover::win32::RemoveVectoredHandlerFunction ploverRemoveVectoredExceptionHandlerSlot __asm__(
    PLOVER_IMPORT_SLOT(RemoveVectoredExceptionHandler,
                       4)) = &plover::win32::RemoveVectoredThroughSlot;
}
