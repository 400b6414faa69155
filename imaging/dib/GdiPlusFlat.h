#pragma once
// The part of GDI+'s flat API the image engine calls, reached by name at run time, with owners for its
// sessions and objects. The owners count what is alive so tests can check that nothing leaks.
#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace imaging::gdip {

using Status = int;
constexpr Status kOk = 0;
// A session token; pointer-sized, as GDI+ hands it out.
using Token = ULONG_PTR;

struct GpImage;
struct GpGraphics;
struct GpImageAttributes;

struct StartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

struct RectF {
    float x, y, width, height;
};

// Row-vector convention: output colour = input colour x matrix.
struct ColorMatrix {
    float m[5][5];
};

struct CodecInfo {
    CLSID clsid;
    GUID formatId;
    const WCHAR* codecName;
    const WCHAR* dllName;
    const WCHAR* formatDescription;
    const WCHAR* filenameExtension;
    const WCHAR* mimeType;
    DWORD flags;
    DWORD version;
    DWORD sigCount;
    DWORD sigSize;
    const BYTE* sigPattern;
    const BYTE* sigMask;
};
// The record layout GDI+ fills: 76 bytes with the MIME type at 48 in 32-bit processes.
static_assert(sizeof(void*) != 4 || (sizeof(CodecInfo) == 76 && offsetof(CodecInfo, mimeType) == 48));
static_assert(sizeof(void*) != 8 || (sizeof(CodecInfo) == 104 && offsetof(CodecInfo, mimeType) == 64));

enum : INT {
    kPixelFormat24bppRGB = 0x21808,
    kPixelFormat32bppARGB = 0x26200A,
    kPixelFormat32bppPARGB = 0xE200B,
};
enum : int {
    kRotateNoneFlipNone = 0,
    kRotateNoneFlipX = 4,
    kRotateNoneFlipY = 6,
    kUnitPixel = 2,
    kInterpolationNearestNeighbor = 5,
    kInterpolationHighQualityBicubic = 7,
    kColorAdjustTypeBitmap = 1,
    kColorMatrixFlagsDefault = 0,
    kMatrixOrderPrepend = 0,
    kMatrixOrderAppend = 1,
};

struct Api {
    Status(WINAPI* GdiplusStartup)(Token*, const StartupInput*, void*);
    void(WINAPI* GdiplusShutdown)(Token);
    Status(WINAPI* GdipCreateBitmapFromScan0)(INT, INT, INT, INT, BYTE*, GpImage**);
    Status(WINAPI* GdipImageRotateFlip)(GpImage*, int);
    Status(WINAPI* GdipLoadImageFromFile)(const WCHAR*, GpImage**);
    Status(WINAPI* GdipLoadImageFromStream)(IStream*, GpImage**);
    Status(WINAPI* GdipGetImageBounds)(GpImage*, RectF*, int*);
    Status(WINAPI* GdipGetImagePixelFormat)(GpImage*, INT*);
    Status(WINAPI* GdipCreateFromHDC)(HDC, GpGraphics**);
    Status(WINAPI* GdipDeleteGraphics)(GpGraphics*);
    Status(WINAPI* GdipSetInterpolationMode)(GpGraphics*, int);
    Status(WINAPI* GdipCreateImageAttributes)(GpImageAttributes**);
    Status(WINAPI* GdipSetImageAttributesColorMatrix)(GpImageAttributes*, int, BOOL, const ColorMatrix*,
                                                      const ColorMatrix*, int);
    Status(WINAPI* GdipDisposeImageAttributes)(GpImageAttributes*);
    Status(WINAPI* GdipRotateWorldTransform)(GpGraphics*, float, int);
    Status(WINAPI* GdipTranslateWorldTransform)(GpGraphics*, float, float, int);
    Status(WINAPI* GdipDrawImageRectRectI)(GpGraphics*, GpImage*, INT, INT, INT, INT, INT, INT, INT, INT, int,
                                           const GpImageAttributes*, void*, void*);
    Status(WINAPI* GdipGetImageEncodersSize)(UINT*, UINT*);
    Status(WINAPI* GdipGetImageEncoders)(UINT, UINT, CodecInfo*);
    Status(WINAPI* GdipSaveImageToFile)(GpImage*, const WCHAR*, const CLSID*, const void*);
    Status(WINAPI* GdipSaveImageToStream)(GpImage*, IStream*, const CLSID*, const void*);
    Status(WINAPI* GdipDisposeImage)(GpImage*);
};

// The library GDI+ is loaded from: configuration, so a test can stand for a system without it.
const std::wstring& LibraryName();
void SetLibraryName(std::wstring name);

// The entry points when the library loads, exports "GdiplusStartup" and every function above; null
// otherwise. The library stays loaded for the rest of the process once found.
const Api* Load();

// Sessions opened by the engine and GDI+ objects it holds, alive right now.
std::atomic<long>& LiveSessions();
std::atomic<long>& LiveObjects();

// A session: the lent token when there is one (left open), else one opened here and closed on leaving.
class Session {
  public:
    Session(const Api& api, Token lent);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool ok() const { return token_ != 0; }
    Token token() const { return token_; }

  private:
    const Api& api_;
    Token token_ = 0;
    bool own_ = false;
};

Token Start(const Api& api);
void Shutdown(const Api& api, Token token);

// A GDI+ object disposed through the given entry point when it leaves scope.
template <class T, Status (WINAPI* Api::*Dispose)(T*)> class Owned {
  public:
    explicit Owned(const Api& api) : api_(&api) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Runs the creating call with the out parameter; whatever it stores is owned from then on.
    template <class F> Status Make(F&& create) {
        reset();
        const Status s = std::forward<F>(create)(&p_);
        if (p_) ++LiveObjects();
        return s;
    }
    void reset() {
        if (!p_) return;
        (api_->*Dispose)(std::exchange(p_, nullptr));
        --LiveObjects();
    }

  private:
    const Api* api_;
    T* p_ = nullptr;
};

using Image = Owned<GpImage, &Api::GdipDisposeImage>;
using Graphics = Owned<GpGraphics, &Api::GdipDeleteGraphics>;
using Attributes = Owned<GpImageAttributes, &Api::GdipDisposeImageAttributes>;

} // namespace imaging::gdip
