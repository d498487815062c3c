// The C++ runtime's thread library (winpthreads) imports KERNEL32!GetTickCount64, which
// the family-5 servers lack: their loader refuses a program that imports it before
// main() runs. This file defines that import's address slot itself, so the linker never
// takes the one of the kernel32 import library: calls through it reach the system's
// GetTickCount64 where it exists and a wrap-extended GetTickCount elsewhere.
// It is linked as a loose object (an archive member would be passed over, since nothing
// asks for the slot before the thread library is read).
#include <windows.h>

#include <atomic>

#include "win/tick_count_extension.h"

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// Plain atomics rather than function-local statics: the guard of a local static waits
// through winpthreads, which would call back in here.
std::atomic<std::uint64_t> wrap_state{0};
std::atomic<TickCount64> resolved{nullptr};

ULONGLONG WINAPI extended_tick_count() {
  return win::extend_tick_count(wrap_state, [] { return static_cast<std::uint32_t>(GetTickCount()); });
}

TickCount64 resolve() {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  FARPROC found = kernel32 ? GetProcAddress(kernel32, "GetTickCount64") : nullptr;
  return found ? reinterpret_cast<TickCount64>(reinterpret_cast<void*>(found)) : &extended_tick_count;
}

ULONGLONG WINAPI tick_count64() {
  TickCount64 call = resolved.load(std::memory_order_acquire);
  if (call == nullptr) {  // threads racing here all find the same function
    call = resolve();
    resolved.store(call, std::memory_order_release);
  }
  return call();
}

}  // namespace

// The import slot's name as the import library spells it (stdcall decoration on i386).
#if defined(__i386__)
#define PATHMGR_TICK_COUNT64_SLOT "__imp__GetTickCount64@0"
#else
#define PATHMGR_TICK_COUNT64_SLOT "__imp_GetTickCount64"
#endif
extern "C" {
extern const TickCount64 tick_count64_import_slot __asm__(PATHMGR_TICK_COUNT64_SLOT);
__attribute__((used)) const TickCount64 tick_count64_import_slot = &tick_count64;
}
