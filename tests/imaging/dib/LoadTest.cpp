// The loaders: files, streams, resources, picture objects, the clipboard and file lists, the image
// kept on early refusals, decoder errors in a message box, and a leak check over many loads.
#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/dib/c32bppDIB.h"
#include "imaging/dib/cGDIPlus.h"
#include "runtime/Handles.h"
#include "runtime/MsgBox.h"
#include "runtime/Picture.h"
#include "runtime/ScopeExit.h"
#include "tests/imaging/dib/DibTestImages.h"
#include "tests/imaging/dib/TestPng.h"
#include "tests/support/ScratchFiles.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using imaging::c32bppDIB;
using imaging_test::Rgba;

// Straight colours: opaque top rows, a transparent row, half-transparent rows.
Rgba Pixel(int x, int y) {
    return {static_cast<uint8_t>(40 * x), static_cast<uint8_t>(200 - 30 * y),
            static_cast<uint8_t>(20 * x + 10 * y),
            static_cast<uint8_t>(y < 2    ? 255
                                 : y == 2 ? 0
                                          : 60 + 30 * x)};
}
const std::vector<uint8_t>& Png() {
    static const std::vector<uint8_t> png = imaging_test::MakePng(6, 5, true, Pixel);
    return png;
}

bool ChannelsNear(const uint8_t* p, Rgba c, int slack) {
    const int want[4] = {imaging::Premultiply(c.b, c.a), imaging::Premultiply(c.g, c.a),
                         imaging::Premultiply(c.r, c.a), c.a};
    for (int i = 0; i < 4; ++i)
        if (std::abs(p[i] - want[i]) > slack) return false;
    return true;
}

void ExpectThePicture(const c32bppDIB& d) {
    ASSERT_EQ(d.Width(), 6);
    ASSERT_EQ(d.Height(), 5);
    EXPECT_EQ(d.ImageType(), 10);
    EXPECT_TRUE(d.Alpha());
    imaging_test::TestImage m = imaging_test::Memory(d);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_TRUE(ChannelsNear(m.View().At(x, y), Pixel(x, y), 1)) << x << "," << y;
}

const testsupport::ScratchFolder scratch(L"pelmor-load");

// A file that is deleted when the test is done.
class TempFile {
  public:
    TempFile(const std::wstring& name, const std::vector<uint8_t>& bytes) : path_(scratch.File(name)) {
        testsupport::WriteFileBytes(path_, bytes);
    }
    ~TempFile() { ::DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

// Message boxes are answered here and recorded.
class Boxes {
  public:
    Boxes()
        : scope_([this](const rt::MsgBoxCall& c) {
              texts.push_back(c.prompt);
              return IDOK;
          }) {}
    std::vector<std::wstring> texts;

  private:
    rt::ScopedMsgBoxHandler scope_;
};

// An image object that holds a 3 x 3 image, to see whether a load keeps it.
class Loader : public ::testing::Test {
  protected:
    Loader() { EXPECT_TRUE(d.InitializeDIB(3, 3)); }
    bool Kept() const { return d.Width() == 3 && d.ImageType() == 0; }
    c32bppDIB d;
    Boxes boxes;
};

TEST_F(Loader, FileStreamAndPartOfAStream) {
    const TempFile file(L"行情图.png", Png());
    ASSERT_TRUE(d.LoadPicture_File(file.path()));
    ExpectThePicture(d);
    c32bppDIB s;
    ASSERT_TRUE(s.LoadPicture_Stream(Png()));
    ExpectThePicture(s);
    // The picture in the middle of a larger array, named by start and length.
    std::vector<uint8_t> padded(10, 0xAB);
    padded.insert(padded.end(), Png().begin(), Png().end());
    padded.resize(padded.size() + 7, 0xCD);
    c32bppDIB part;
    ASSERT_TRUE(part.LoadPicture_Stream(padded, 0, 0, 10, static_cast<int32_t>(Png().size())));
    ExpectThePicture(part);
    // A start below the array's first index counts from it.
    c32bppDIB below;
    EXPECT_TRUE(below.LoadPicture_Stream(Png(), 0, 0, -5));
    EXPECT_EQ(below.Width(), 6);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Loader, FewerThan57BytesMissingFilesAndEmptyArraysKeepTheImage) {
    const std::vector<uint8_t> short56(Png().begin(), Png().begin() + 56);
    const TempFile file56(L"short.png", short56);
    EXPECT_FALSE(d.LoadPicture_File(file56.path()));
    EXPECT_TRUE(Kept());
    EXPECT_FALSE(d.LoadPicture_Stream(short56));
    EXPECT_TRUE(Kept());
    EXPECT_FALSE(d.LoadPicture_Stream(Png(), 0, 0, 0, 56));
    EXPECT_TRUE(Kept());
    EXPECT_FALSE(d.LoadPicture_File(scratch.File(L"no-such-picture.png")));
    EXPECT_TRUE(Kept());
    EXPECT_FALSE(d.LoadPicture_Stream({}));
    EXPECT_TRUE(Kept());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Loader, UndecodableDataFromFiftySevenBytesOnLeavesNoImage) {
    std::vector<uint8_t> junk(57);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 53 + 7);
    EXPECT_FALSE(d.LoadPicture_Stream(junk));
    EXPECT_EQ(d.ImageType(), -1) << "the decoders were tried";
    // A PNG cut short after its header.
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    const std::vector<uint8_t> cut(Png().begin(), Png().begin() + 60);
    const TempFile file(L"cut.png", cut);
    EXPECT_FALSE(d.LoadPicture_File(file.path()));
    EXPECT_EQ(d.Handle(), nullptr);
}

std::vector<uint8_t> Jpeg() {
    c32bppDIB source;
    imaging_test::Load(source, imaging_test::Opaque(32, 16, [](int32_t x, int32_t) {
                           return x < 16 ? 0xC02010u : 0x2080E0u;
                       }));
    const imaging::gdip::Api* api = imaging::gdip::Load();
    CLSID jpeg{};
    std::vector<uint8_t> bytes;
    if (!api || imaging::cGDIPlus().EncoderClsid(L"image/jpeg", jpeg, 0) < 1) return bytes;
    imaging::gdip::Token token = imaging::gdip::Start(*api);
    {
        imaging::gdip::Image bitmap(*api);
        bitmap.Make([&](imaging::gdip::GpImage** p) {
            return api->GdipCreateBitmapFromScan0(
                32, 16, source.scanWidth(), imaging::gdip::kPixelFormat32bppPARGB, source.BitsPointer(), p);
        });
        const auto stream = imaging::cGDIPlus::StreamFromArray({}, 0);
        if (api->GdipSaveImageToStream(bitmap.get(), stream.Get(), &jpeg, nullptr) == 0)
            imaging::cGDIPlus::ArrayFromStream(stream.Get(), bytes);
    }
    imaging::gdip::Shutdown(*api, token);
    return bytes;
}

TEST_F(Loader, JpegNeedsGdiPlusAndIsKeptAsPng) {
    const std::vector<uint8_t> jpeg = Jpeg();
    ASSERT_GT(jpeg.size(), 57u);
    d.isGDIplusEnabled(false);
    EXPECT_FALSE(d.LoadPicture_Stream(jpeg, 0, 0, 0, 0, true));
    EXPECT_EQ(d.Handle(), nullptr);
    std::vector<uint8_t> kept;
    EXPECT_FALSE(d.GetOrginalFormat(kept)) << "SaveFormat has no effect without a picture";

    d.isGDIplusEnabled(true);
    const TempFile file(L"photo.jpg", jpeg);
    ASSERT_TRUE(d.LoadPicture_File(file.path(), 0, 0, true));
    EXPECT_EQ(d.ImageType(), 10);
    EXPECT_FALSE(d.Alpha());
    ASSERT_TRUE(d.GetOrginalFormat(kept));
    const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    ASSERT_GT(kept.size(), 8u);
    EXPECT_EQ(std::memcmp(kept.data(), signature, 8), 0) << "the kept bytes are a PNG encoding";
    const imaging_test::TestImage before = imaging_test::Memory(d);
    ASSERT_TRUE(d.LoadPicture_FromOrignalFormat());
    EXPECT_EQ(imaging_test::Memory(d).bytes, before.bytes);
}

TEST_F(Loader, ResourcesByTypeNameAndPictureKinds) {
    // 56 bytes of it are refused: the image held before stays, and that is no load.
    EXPECT_FALSE(d.LoadPicture_Resource(L"LOADTEST_PNG", RT_RCDATA, nullptr, 0, 0, 0, 56));
    EXPECT_TRUE(Kept());
    ASSERT_TRUE(d.LoadPicture_Resource(L"LOADTEST_PNG", RT_RCDATA));
    ExpectThePicture(d);
    EXPECT_FALSE(d.LoadPicture_Resource(L"NO_SUCH_RESOURCE", RT_RCDATA));
    EXPECT_FALSE(d.LoadPicture_Resource(L"LOADTEST_PNG", static_cast<int16_t>(IMAGE_BITMAP)));
    EXPECT_EQ(d.Handle(), nullptr);
}

TEST_F(Loader, PictureObjectsAreNotDecoded) {
    // A real picture and a real bitmap handle are refused as well as none, and the image goes each time.
    const rt::Picture picture =
        rt::PictureObject::FromBitmap(rt::UniqueBitmap(::CreateBitmap(2, 2, 1, 32, nullptr)));
    ASSERT_TRUE(picture);
    EXPECT_FALSE(d.LoadPicture_StdPicture(picture));
    EXPECT_EQ(d.ImageType(), -1);
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    EXPECT_FALSE(d.LoadPicture_StdPicture(nullptr));
    EXPECT_EQ(d.ImageType(), -1);
    const rt::UniqueBitmap bitmap(::CreateBitmap(2, 2, 1, 32, nullptr));
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    EXPECT_FALSE(d.LoadPicture_ByHandle(bitmap.get()));
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    EXPECT_FALSE(d.LoadPicture_ByHandle(nullptr));
    EXPECT_EQ(d.Handle(), nullptr);

    // An empty clipboard keeps the image; one with a bitmap discards it, and the answer is False.
    // Emptied again at the end, so that no test leaves a bitmap there.
    const rt::ScopeExit emptied([] {
        if (!::OpenClipboard(nullptr)) return;
        ::EmptyClipboard();
        ::CloseClipboard();
    });
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    EXPECT_FALSE(d.LoadPicture_ClipBoard());
    EXPECT_TRUE(Kept());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::SetClipboardData(CF_BITMAP, ::CreateBitmap(2, 2, 1, 32, nullptr));
    ::CloseClipboard();
    EXPECT_FALSE(d.LoadPicture_ClipBoard());
    EXPECT_EQ(d.Handle(), nullptr);
}

// A PNG keeps its own bytes, whichever decoder reads it: GDI+, or the PNG decoder itself without GDI+.
class PngLoad : public Loader, public ::testing::WithParamInterface<bool> {
  protected:
    PngLoad() { imaging::gdip::SetLibraryName(GetParam() ? L"gdiplus.dll" : L"pelmor-absent-gdiplus.dll"); }
    ~PngLoad() override { imaging::gdip::SetLibraryName(L"gdiplus.dll"); }
};

TEST_P(PngLoad, KeepsTheFileByteForByteAndReloadsTheSamePicture) {
    const TempFile file(L"kept.png", Png());
    ASSERT_TRUE(d.LoadPicture_File(file.path(), 0, 0, true));
    ExpectThePicture(d);
    std::vector<uint8_t> kept;
    ASSERT_TRUE(d.GetOrginalFormat(kept));
    EXPECT_EQ(kept, Png());
    const imaging_test::TestImage first = imaging_test::Memory(d);
    ASSERT_TRUE(d.LoadPicture_FromOrignalFormat());
    EXPECT_EQ(imaging_test::Memory(d).bytes, first.bytes);
    // Only the named part of a larger array is kept, so that it reloads.
    std::vector<uint8_t> padded(9, 0);
    padded.insert(padded.end(), Png().begin(), Png().end());
    ASSERT_TRUE(d.LoadPicture_Stream(padded, 0, 0, 9, static_cast<int32_t>(Png().size()), true));
    ASSERT_TRUE(d.GetOrginalFormat(kept));
    EXPECT_EQ(kept, Png());
    EXPECT_TRUE(boxes.texts.empty());
}

// The decoder's errors reach the user as one message box with their description, and leave no image.
TEST_P(PngLoad, DecoderErrorsAreShownAndLeaveNoImage) {
    std::vector<uint8_t> huge(Png().begin(), Png().begin() + 33);
    const uint8_t chunk[8] = {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T'};
    huge.insert(huge.end(), chunk, chunk + 8);
    huge.resize(huge.size() + 24, 0);
    EXPECT_FALSE(d.LoadPicture_Stream(huge));
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_EQ(boxes.texts, std::vector<std::wstring>{L"Overflow"});

    // A length past the end of the array: after the box, GDI+ is still offered the bytes there are.
    boxes.texts.clear();
    EXPECT_TRUE(d.InitializeDIB(3, 3));
    EXPECT_EQ(d.LoadPicture_Stream(Png(), 0, 0, 0, static_cast<int32_t>(Png().size()) + 1), GetParam());
    EXPECT_EQ(d.Handle() != nullptr, GetParam());
    EXPECT_EQ(boxes.texts, std::vector<std::wstring>{L"Subscript out of range"});
}

INSTANTIATE_TEST_SUITE_P(GdiPlus, PngLoad, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "present" : "absent"; });

TEST(FileNames, PastedAndDroppedLists) {
    const std::vector<std::wstring> names{L"C:\\行情\\一.png", L"D:\\b.jpg"};
    std::size_t chars = 1;
    for (const auto& n : names)
        chars += n.size() + 1;
    const HGLOBAL block =
        ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* p = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        p += n.size() + 1;
    }
    ::GlobalUnlock(block);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ASSERT_NE(::SetClipboardData(CF_HDROP, block), nullptr);
    ::CloseClipboard();

    std::vector<std::wstring> pasted;
    EXPECT_EQ(c32bppDIB::GetPastedFileNames(pasted), 2);
    EXPECT_EQ(pasted, names);

    IDataObject* data = nullptr;
    ASSERT_EQ(::OleGetClipboard(&data), S_OK);
    std::vector<std::wstring> dropped;
    EXPECT_EQ(c32bppDIB::GetDroppedFileNames(data, dropped), 2);
    EXPECT_EQ(dropped, names);
    data->Release();
    EXPECT_EQ(c32bppDIB::GetDroppedFileNames(nullptr, dropped), 0);

    // A block shorter than the header it should begin with gives no names, whatever lies past its end.
    const HGLOBAL stub = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    auto* bytes = static_cast<uint8_t*>(::GlobalLock(stub));
    bytes[0] = 4; // the names would start at byte 4
    bytes[4] = 'x';
    ::GlobalUnlock(stub);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ASSERT_NE(::SetClipboardData(CF_HDROP, stub), nullptr);
    ::CloseClipboard();
    ASSERT_EQ(::OleGetClipboard(&data), S_OK);
    EXPECT_EQ(c32bppDIB::GetDroppedFileNames(data, dropped), 0);
    data->Release();
    EXPECT_EQ(c32bppDIB::GetPastedFileNames(pasted), 0);

    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    EXPECT_EQ(c32bppDIB::GetPastedFileNames(pasted), 0);
}

TEST(Leaks, ThousandLoadRenderAndRegionCycles) {
    c32bppDIB canvas;
    ASSERT_TRUE(canvas.InitializeDIB(20, 20));
    const long gdi = rt::LiveHandles::Gdi();
    const long sessions = imaging::gdip::LiveSessions();
    for (int i = 0; i < 1000; ++i) {
        c32bppDIB d;
        ASSERT_TRUE(d.LoadPicture_Stream(Png(), 0, 0, 0, 0, i % 2 == 0));
        ASSERT_TRUE(d.Render(nullptr, 2, 2, 0, 0, 0, 0, 0, 0, 100, true, true, &canvas));
        ASSERT_TRUE(d.CreateRegion(i % 3));
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(imaging::gdip::LiveSessions(), sessions);
}

} // namespace
