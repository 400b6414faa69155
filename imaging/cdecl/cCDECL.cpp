#include "imaging/cdecl/cCDECL.h"

#include "runtime/Arch.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"

#include <algorithm>

namespace imaging {

namespace {
constexpr wchar_t kClassName[] = L"cCDECL";
constexpr size_t kMaxParams = 5;
} // namespace

cCDECL::~cCDECL() {
    // The last loaded is freed first.
    while (!m_loaded.empty())
        m_loaded.pop_back();
}

int32_t cCDECL::CallFunc(const std::string& sFunction, std::span<const intptr_t> ParmLongs) {
    if (!m_library) rt::RaiseObjectError(0, kClassName, L"DLL not loaded");
    if (m_resolve || sFunction != m_lastName) {
        ++m_lookups;
        const FARPROC p = ::GetProcAddress(m_library, sFunction.c_str());
        if (!p)
            rt::RaiseObjectError(1, kClassName, L"Failed to locate function: " + rt::Utf8ToWide(sFunction));
        m_function = p;
        m_resolve = false;
        m_lastName = sFunction;
    }
    if (ParmLongs.size() > kMaxParams) rt::RaiseObjectError(2, kClassName, L"Too many parameters");
    ParamBlock block;
    block.count = static_cast<int32_t>(ParmLongs.size());
    std::copy(ParmLongs.begin(), ParmLongs.end(), block.values);
    ::SetLastError(0);
    const int32_t result = z_DO_NOT_CALL(block);
    m_lastError = static_cast<int32_t>(::GetLastError());
    return result;
}

int32_t cCDECL::z_DO_NOT_CALL(const ParamBlock& block) const {
    // The caller removes the arguments, so passing all five is harmless to a function that takes fewer.
    using Function = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
    const auto f = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(m_function));
    const intptr_t* v = block.values;
    const intptr_t r = f(v[0], v[1], v[2], v[3], v[4]);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(r)));
}

bool cCDECL::DllLoad(const std::wstring& sName) {
    const HMODULE h = ::LoadLibraryW(sName.c_str());
    if (!h) return false;
    m_loaded.emplace_back(h);
    m_library = h;
    m_resolve = true;
    return true;
}

bool cCDECL::DllUnload() {
    if (!m_library) return false;
    const auto it = std::find_if(m_loaded.begin(), m_loaded.end(),
                                 [this](const rt::UniqueModule& m) { return m.get() == m_library; });
    const HMODULE h = it->release();
    m_loaded.erase(it);
    m_library = nullptr;
    m_function = nullptr;
    m_resolve = true;
    return ::FreeLibrary(h) != FALSE;
}

void* cCDECL::WrapCallback(void* nModFuncAddr, int32_t nParms) const noexcept {
#if defined(PELMOR_ARCH_X64)
    (void)nParms;
    return nModFuncAddr;
#else
    // A callee-cleans function with arguments would leave a C caller's stack unbalanced, and no adapter
    // is written for 32-bit x86: only one without arguments can be handed out as it is.
    return nParms == 0 ? nModFuncAddr : nullptr;
#endif
}

} // namespace imaging
