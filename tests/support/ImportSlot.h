#pragma once
// The program's own import slot of a system function, for a test or a benchmark that counts the
// program's calls of it: point the slot at a counter, and back.
#include <windows.h>

#include <utility>

namespace testsupport {

// Null when the program does not import the function.
inline void** ImportSlot(const char* dll, const char* name) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto target = reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(dll), name));
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); target && imp->Name; ++imp)
        for (auto* slot = reinterpret_cast<void**>(base + imp->FirstThunk); *slot; ++slot)
            if (*slot == target) return slot;
    return nullptr;
}

// Writes `value` into the slot; returns what it held.
inline void* SwapImport(void** slot, void* value) {
    DWORD old = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    void* const was = std::exchange(*slot, value);
    ::VirtualProtect(slot, sizeof *slot, old, &old);
    return was;
}

} // namespace testsupport
