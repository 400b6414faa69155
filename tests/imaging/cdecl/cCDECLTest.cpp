// cCDECL against zlib1.dll and a test library of its own: the three errors, the lookup cache, the last
// error, arguments and results, callbacks, and the libraries it holds.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "imaging/cdecl/cCDECL.h"
#include "imaging/inflate/Inflate.h"
#include "runtime/RtError.h"

using imaging::cCDECL;

namespace {

constexpr wchar_t kTestLibrary[] = L"cdecl_test.dll";

// Runs fn, which must raise the cCDECL error n with this description.
template <class F> void ExpectError(F&& fn, uint32_t n, const std::wstring& description) {
    try {
        fn();
        ADD_FAILURE() << "no error raised";
    } catch (const rt::RtError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.Number()), 0x80040000u + n);
        EXPECT_EQ(e.Source(), L"cCDECL");
        EXPECT_EQ(e.Description(), description);
    }
}

intptr_t Ptr(const void* p) {
    return reinterpret_cast<intptr_t>(p);
}

TEST(cCDECL, CallBeforeAnyLibraryIsLoaded) {
    cCDECL c;
    ExpectError([&] { c.CallFunc("crc32", {0, 0, 0}); }, 0, L"DLL not loaded");
    EXPECT_FALSE(c.DllUnload());
}

TEST(cCDECL, MissingLibrary) {
    cCDECL c;
    EXPECT_FALSE(c.DllLoad(L"pelmor_no_such_library.dll"));
    ExpectError([&] { c.CallFunc("crc32", {0, 0, 0}); }, 0, L"DLL not loaded");
}

TEST(cCDECL, MissingFunctionThenTooManyParameters) {
    cCDECL c;
    ASSERT_TRUE(c.DllLoad(L"zlib1.dll"));
    ExpectError([&] { c.CallFunc("no_such_function", {}); }, 1,
                L"Failed to locate function: no_such_function");
    // The name is looked up before the arguments are counted.
    ExpectError(
        [&] {
            c.CallFunc("no_such_function", {1, 2, 3, 4, 5, 6});
        },
        1, L"Failed to locate function: no_such_function");
    ExpectError([&] { c.CallFunc("crc32", {1, 2, 3, 4, 5, 6}); }, 2, L"Too many parameters");
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(static_cast<uint32_t>(c.CallFunc("crc32", {0, Ptr(abc), 3})), 0x352441C2u);
}

TEST(cCDECL, FiveArgumentsInOrderAndTheLowHalfOfAWideResult) {
    cCDECL c;
    ASSERT_TRUE(c.DllLoad(kTestLibrary));
    EXPECT_EQ(c.CallFunc("Weigh", {1, 2, 3, 4, 5}), 54321);
    // Missing arguments are zeros.
    EXPECT_EQ(c.CallFunc("Weigh", {7}), 7);
    EXPECT_EQ(c.CallFunc("Wide", {}), 0x23456789);
}

TEST(cCDECL, ZlibCompress2AndUncompress) {
    cCDECL z;
    ASSERT_TRUE(z.DllLoad(L"zlib1.dll"));
    std::vector<uint8_t> data(20000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>((i * i) % 251 + (i / 1000));
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        std::vector<uint8_t> packed(data.size() + 1000);
        uint32_t packedLength = static_cast<uint32_t>(packed.size()); // uLongf is 32 bits on Windows
        ASSERT_EQ(z.CallFunc("compress2", {Ptr(packed.data()), Ptr(&packedLength), Ptr(data.data()),
                                           static_cast<intptr_t>(data.size()), level}),
                  0);
        packed.resize(packedLength);
        std::vector<uint8_t> back(data.size());
        uint32_t backLength = static_cast<uint32_t>(back.size());
        ASSERT_EQ(z.CallFunc("uncompress", {Ptr(back.data()), Ptr(&backLength), Ptr(packed.data()),
                                            static_cast<intptr_t>(packed.size())}),
                  0);
        EXPECT_EQ(back, data);
        // The built-in inflater reads the same stream.
        std::vector<uint8_t> ours(data.size());
        EXPECT_TRUE(imaging::Inflate(packed, ours.data(), ours.size()));
        EXPECT_EQ(ours, data);
    }
}

TEST(cCDECL, NamesAreLookedUpOnceUntilTheNextDllLoad) {
    cCDECL c;
    ASSERT_TRUE(c.DllLoad(L"zlib1.dll"));
    const uint8_t abc[] = {'a', 'b', 'c'};
    c.CallFunc("crc32", {0, Ptr(abc), 3});
    c.CallFunc("crc32", {0, Ptr(abc), 3});
    EXPECT_EQ(c.Lookups(), 1);
    c.CallFunc("adler32", {1, Ptr(abc), 3});
    c.CallFunc("crc32", {0, Ptr(abc), 3});
    EXPECT_EQ(c.Lookups(), 3);
    // The same name in another library: the cached zlib address must not be used.
    ASSERT_TRUE(c.DllLoad(kTestLibrary));
    EXPECT_EQ(c.CallFunc("crc32", {0, Ptr(abc), 3}), 0x5EED);
    EXPECT_EQ(c.Lookups(), 4);
}

TEST(cCDECL, LastErrorIsClearedBeforeEachCall) {
    cCDECL c;
    ASSERT_TRUE(c.DllLoad(kTestLibrary));
    EXPECT_EQ(c.CallFunc("FailWith", {1234}), -1);
    EXPECT_EQ(c.LastError(), 1234);
    ::SetLastError(99);
    c.CallFunc("Weigh", {1});
    EXPECT_EQ(c.LastError(), 0);
}

int32_t Combine(int32_t a, int32_t b) {
    return a * 10 + b;
}
int32_t Difference(int32_t a, int32_t b) {
    return a - b;
}

TEST(cCDECL, CallbacksCalledFromALibrary) {
    cCDECL c;
    ASSERT_TRUE(c.DllLoad(kTestLibrary));
    void* wrapped = c.WrapCallback(reinterpret_cast<void*>(&Combine), 2);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(c.CallFunc("CallBack", {Ptr(wrapped), 3, 4}), 34 * 1000 + 43);
    void* other = c.WrapCallback(reinterpret_cast<void*>(&Difference), 2);
    EXPECT_EQ(c.CallFunc("CallBack", {Ptr(other), 3, 4}), -1 * 1000 + 1);
}

TEST(cCDECL, HoldsItsLibrariesUntilUnloadOrItsEnd) {
    ASSERT_EQ(::GetModuleHandleW(kTestLibrary), nullptr);
    {
        cCDECL c;
        ASSERT_TRUE(c.DllLoad(kTestLibrary));
        // Loading another keeps the first.
        ASSERT_TRUE(c.DllLoad(L"zlib1.dll"));
        EXPECT_NE(::GetModuleHandleW(kTestLibrary), nullptr);
    }
    EXPECT_EQ(::GetModuleHandleW(kTestLibrary), nullptr);

    cCDECL c;
    ASSERT_TRUE(c.DllLoad(kTestLibrary));
    EXPECT_TRUE(c.DllUnload());
    EXPECT_EQ(::GetModuleHandleW(kTestLibrary), nullptr);
    ExpectError([&] { c.CallFunc("Weigh", {1}); }, 0, L"DLL not loaded");
    EXPECT_FALSE(c.DllUnload());
}

} // namespace
