#pragma once
// The stateless helpers of the image engine and the PNG decoder that need the system: text with an
// ellipsis, opening files, locating zlib, probing libraries and wrapping handles as pictures.
// The platform-free helpers (row lengths, byte order, alpha analysis...) are in PixelMath.h.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include "imaging/pixels/PixelMath.h"
#include "runtime/Handles.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace imaging::ModAPI {

// Draws the text into (x, y, x + width, y + height), cut with "..." when it does not fit; the width drawn.
int32_t DrawTextEllipsis(HDC hdc, std::wstring_view text, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t format);

// Reading: shared for reading, the file must exist. Writing: not shared, created afresh over an existing
// file, whose attributes (hidden, system...) it keeps. Always the wide-character functions: forceWide
// is kept for callers and changes nothing. Invalid handle on failure.
rt::UniqueKernelHandle OpenFileForIO(const std::wstring& fileName, bool forRead, bool forceWide = true);

// A zlib library tried by name in the program folder, and the number that stands for it (2 "zlib1.dll",
// 1 "zlib.dll").
struct ZlibCandidate {
    std::wstring name;
    int32_t number;
};
// The names tried, in order: configuration, so that a build or a test can name other libraries.
const std::vector<ZlibCandidate>& ZlibCandidates();
void SetZlibCandidates(std::vector<ZlibCandidate> candidates);

struct ZlibLocation {
    std::wstring name;    // the library chosen; the last candidate's name when none was
    int32_t number = 0;   // its candidate number; 0 when none was found
    bool isCdecl = false; // its functions want the caller to remove the arguments; false when not probed
    bool compress2 = false;
};
// The first candidate that loads from the program folder (ProgramLibraryPath; `name` is then that full
// path) and exports crc32. Without skipProbe, crc32's code tells the calling convention. The library is
// unloaded again before returning.
bool LocateZlib(ZlibLocation& found, bool skipProbe, const std::vector<ZlibCandidate>& candidates);
bool LocateZlib(ZlibLocation& found, bool skipProbe = false);

// A library's full path, so that no other folder's copy is ever loaded in its place: name in the program's
// own folder (zlib ships there) or in the system folder (GDI+). A name that holds a folder already is kept.
std::wstring ProgramLibraryPath(const std::wstring& name);
std::wstring SystemLibraryPath(const std::wstring& name);

// The library loads by that name and exports the function.
bool DllExportsFunction(const std::wstring& library, const char* function);

// A picture object over the handle, which then belongs to the picture; the holder is emptied only
// when the picture was made.
Microsoft::WRL::ComPtr<IPicture> PictureFromHandle(rt::UniqueBitmap& bitmap);
Microsoft::WRL::ComPtr<IPicture> PictureFromHandle(rt::UniqueIcon& icon);

} // namespace imaging::ModAPI
