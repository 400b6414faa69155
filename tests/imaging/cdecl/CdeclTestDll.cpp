// A library of C functions for the cCDECL tests, loaded by name like zlib1.dll.
#include <windows.h>

#include <cstdint>

extern "C" {

// Shares zlib's export name, so a new DllLoad must find this one instead.
__declspec(dllexport) int32_t crc32(int32_t, const void*, int32_t) {
    return 0x5EED;
}

// Tells the five arguments apart by position.
__declspec(dllexport) int64_t Weigh(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e) {
    return a + 10 * b + 100 * c + 1000 * d + 10000 * e;
}

__declspec(dllexport) int32_t FailWith(DWORD code) {
    ::SetLastError(code);
    return -1;
}

__declspec(dllexport) int64_t Wide() {
    return 0x0000000123456789LL;
}

// Calls back twice, with the arguments swapped the second time.
__declspec(dllexport) int32_t CallBack(int32_t (*fn)(int32_t, int32_t), int32_t a, int32_t b) {
    return fn(a, b) * 1000 + fn(b, a);
}
}
