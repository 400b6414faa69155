#pragma once
// Calls functions of a library loaded at run time by name, with the C calling convention (the caller
// removes the arguments), as the PNG decoder reaches zlib1.dll; and hands out C-callable entry points for
// the program's own functions.
//
// On x86-64 there is one calling convention, so a call goes straight through a typed pointer: up to five
// pointer-width integer arguments (unused ones are passed as 0 and ignored by the callee), and the low 32
// bits of the result as a signed value — the whole result of every zlib function on Windows, where
// `int` and `unsigned long` are 32 bits; the upper half of a wider result is dropped.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "runtime/Handles.h"

namespace imaging {

class cCDECL {
  public:
    cCDECL() = default;
    cCDECL(const cCDECL&) = delete;
    cCDECL& operator=(const cCDECL&) = delete;
    // Frees every library the object loaded.
    ~cCDECL();

    // Calls the named export of the loaded library with the values as its first arguments. Raises
    // rt::RtError &H80040000 "DLL not loaded", &H80040001 "Failed to locate function: " + name, or
    // &H80040002 "Too many parameters" (more than five values), with source "cCDECL".
    int32_t CallFunc(const std::string& sFunction, std::span<const intptr_t> ParmLongs);
    int32_t CallFunc(const std::string& sFunction, std::initializer_list<intptr_t> ParmLongs) {
        return CallFunc(sFunction, std::span<const intptr_t>(ParmLongs.begin(), ParmLongs.size()));
    }

    // Loads the library; True when loaded. The next CallFunc looks its function up again. A library
    // loaded before stays loaded.
    bool DllLoad(const std::wstring& sName);
    // Frees the library loaded last; False when none is loaded.
    bool DllUnload();

    // The thread's last-error code right after the last CallFunc (set to 0 before the call).
    int32_t LastError() const noexcept { return m_lastError; }

    // A C-callable address that runs the function at nModFuncAddr taking nParms arguments. On x86-64 the
    // function itself already is one, so that is the address returned; every call returns its own target.
    void* WrapCallback(void* nModFuncAddr, int32_t nParms) const noexcept;

    // GetProcAddress lookups made so far: a name called again is not looked up again.
    int Lookups() const noexcept { return m_lookups; }

  private:
    struct ParamBlock {
        int32_t count = 0;
        intptr_t values[5] = {};
    };
    // Calls the resolved function with the block's values.
    int32_t z_DO_NOT_CALL(const ParamBlock& block) const;

    HMODULE m_library = nullptr;
    // Libraries loaded by this object, freed when it ends; m_library is the last of them.
    std::vector<rt::UniqueModule> m_loaded;
    bool m_resolve = false;
    std::string m_lastName;
    FARPROC m_function = nullptr;
    int32_t m_lastError = 0;
    int m_lookups = 0;
};

} // namespace imaging
