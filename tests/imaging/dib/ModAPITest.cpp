#include "imaging/dib/ModAPI.h"

#include "imaging/dib/c32bppDIB.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace imaging::ModAPI;
using testsupport::TestCanvas;

const testsupport::ScratchFolder scratch(L"pelmor-modapi");

// The names LocateZlib tries, put back after each test.
class ZlibNames : public ::testing::Test {
  protected:
    ~ZlibNames() override {
        SetZlibCandidates(saved_);
        if (onlyZlib_.empty()) return;
        ::DeleteFileW(onlyZlib_.c_str());
        ::RemoveDirectoryW(onlyZlib_.substr(0, onlyZlib_.rfind(L'\\')).c_str());
    }
    // The shipped zlib1.dll under the name "zlib.dll", in a folder of its own.
    std::wstring OnlyZlibDll() {
        const std::wstring dir = scratch.File(L"pelmor-zlib");
        ::CreateDirectoryW(dir.c_str(), nullptr);
        onlyZlib_ = dir + L"\\zlib.dll";
        EXPECT_TRUE(
            ::CopyFileW(testsupport::ShippedProgramPath(L"zlib1.dll").c_str(), onlyZlib_.c_str(), FALSE));
        return onlyZlib_;
    }
    std::vector<ZlibCandidate> saved_ = ZlibCandidates();
    std::wstring onlyZlib_;
};

TEST_F(ZlibNames, ShippedNamesFindZlib1WithTheCallersConvention) {
    ASSERT_EQ(ZlibCandidates().size(), 2u);
    EXPECT_EQ(ZlibCandidates()[0].name, L"zlib1.dll");
    EXPECT_EQ(ZlibCandidates()[1].name, L"zlib.dll");
    ZlibLocation found;
    ASSERT_TRUE(LocateZlib(found));
    EXPECT_EQ(found.name, ProgramLibraryPath(L"zlib1.dll")) << "not by its full path in the program folder";
    EXPECT_EQ(found.number, 2);
    // x86-64 has one calling convention, in which the caller owns the stack.
    EXPECT_TRUE(found.isCdecl);
    EXPECT_TRUE(imaging::c32bppDIB().isZlibEnabled());
}

TEST_F(ZlibNames, OnlyZlibDllGivesLibraryOne) {
    const std::wstring zlib = OnlyZlibDll();
    ZlibLocation found;
    ASSERT_TRUE(LocateZlib(found, false, {{L"pelmor-absent-zlib1.dll", 2}, {zlib, 1}}));
    EXPECT_EQ(found.name, zlib);
    EXPECT_EQ(found.number, 1);
    EXPECT_TRUE(found.isCdecl);
    EXPECT_TRUE(found.compress2);
    // The library is unloaded again: the copy can be deleted.
    EXPECT_EQ(::GetModuleHandleW(zlib.c_str()), nullptr);
}

TEST_F(ZlibNames, LibraryWithoutCrc32IsPassedOver) {
    const std::wstring zlib = OnlyZlibDll();
    ZlibLocation found;
    // kernel32 loads but exports no crc32 (nor compress2); zlib.dll is chosen after it.
    ASSERT_TRUE(LocateZlib(found, true, {{SystemLibraryPath(L"kernel32.dll"), 2}, {zlib, 1}}));
    EXPECT_EQ(found.number, 1);
    EXPECT_TRUE(found.compress2);
    EXPECT_FALSE(found.isCdecl) << "not probed";
}

TEST_F(ZlibNames, NoZlibGivesNumberZeroAndTheLastName) {
    ZlibLocation found;
    found.number = 9;
    found.compress2 = true;
    EXPECT_FALSE(LocateZlib(found, false, {{L"pelmor-absent-zlib1.dll", 2}, {L"pelmor-absent-zlib.dll", 1}}));
    EXPECT_EQ(found.number, 0);
    EXPECT_EQ(found.name, L"pelmor-absent-zlib.dll");
    EXPECT_FALSE(found.compress2);

    SetZlibCandidates({{L"pelmor-absent-zlib1.dll", 2}, {L"pelmor-absent-zlib.dll", 1}});
    EXPECT_FALSE(imaging::c32bppDIB().isZlibEnabled());
}

TEST(DllExportsFunction, NeedsTheLibraryAndTheFunction) {
    EXPECT_TRUE(DllExportsFunction(L"kernel32.dll", "GetTickCount"));
    EXPECT_FALSE(DllExportsFunction(L"kernel32.dll", "PelmorNoSuchFunction"));
    EXPECT_FALSE(DllExportsFunction(L"pelmor-absent.dll", "GetTickCount"));
}

class OpenFile : public ::testing::Test {
  protected:
    ~OpenFile() override {
        ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path_.c_str());
    }
    void Write(const char* text) {
        const rt::UniqueKernelHandle h = OpenFileForIO(path_, false);
        ASSERT_TRUE(h);
        DWORD n = 0;
        ASSERT_TRUE(::WriteFile(h.get(), text, static_cast<DWORD>(strlen(text)), &n, nullptr));
    }
    LONGLONG Size() {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        ::GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &d);
        return static_cast<LONGLONG>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
    }
    const std::wstring path_ = scratch.File(L"pelmor-行情-open.bin");
};

TEST_F(OpenFile, WriteModeOverwritesAndKeepsAHiddenFileHidden) {
    Write("first contents");
    ASSERT_TRUE(::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    Write("2nd");
    EXPECT_EQ(Size(), 3);
    const DWORD attributes = ::GetFileAttributesW(path_.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(OpenFile, ReadModeSharesReadingAndNeedsTheFile) {
    EXPECT_FALSE(OpenFileForIO(path_, true));
    Write("abc");
    const rt::UniqueKernelHandle a = OpenFileForIO(path_, true);
    EXPECT_TRUE(a && OpenFileForIO(path_, true));
    EXPECT_FALSE(OpenFileForIO(path_, false)) << "writing needs the file to itself";
}

// The cut is tested in full with the skin surface's pDrawText, which draws through the same code; here
// the box narrower than one character and "...".
TEST(DrawTextEllipsis, KeepsTheFirstCharacterLeftAligned) {
    TestCanvas got(200, 30);
    TestCanvas want(200, 30);
    SIZE first{}, dots{};
    ::GetTextExtentPoint32W(got.dc(), L"A", 1, &first);
    ::GetTextExtentPoint32W(got.dc(), L"...", 3, &dots);
    const int32_t drawn = DrawTextEllipsis(got.dc(), L"ABCDEF", 0, 0, 2, 20, DT_CENTER);
    EXPECT_EQ(drawn, first.cx + dots.cx);
    RECT box{0, 0, drawn, 20};
    ::DrawTextW(want.dc(), L"A...", 4, &box, 0);
    EXPECT_EQ(got.DiffCount(want), 0);
}

TEST(PictureFromHandle, ThePictureTakesTheHandle) {
    const long gdi = rt::LiveHandles::Gdi();
    rt::UniqueBitmap bitmap(::CreateBitmap(7, 5, 1, 32, nullptr));
    const HBITMAP raw = bitmap.get();
    {
        const auto picture = PictureFromHandle(bitmap);
        ASSERT_TRUE(picture);
        EXPECT_FALSE(bitmap);
        EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
        OLE_HANDLE h = 0;
        SHORT type = 0;
        picture->get_Handle(&h);
        picture->get_Type(&type);
        // OLE_HANDLE holds the 32 bits that are significant in a GDI handle.
        EXPECT_EQ(h, static_cast<OLE_HANDLE>(reinterpret_cast<uintptr_t>(raw)));
        EXPECT_EQ(type, PICTYPE_BITMAP);
        EXPECT_EQ(::GetObjectType(raw), static_cast<DWORD>(OBJ_BITMAP));
    }
    // Released with the picture.
    EXPECT_EQ(::GetObjectType(raw), 0u);

    rt::UniqueBitmap none;
    EXPECT_FALSE(PictureFromHandle(none));
}

} // namespace
