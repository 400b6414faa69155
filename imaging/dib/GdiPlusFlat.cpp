#include "imaging/dib/GdiPlusFlat.h"

#include "imaging/dib/ModAPI.h"
#include "runtime/Handles.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace imaging::gdip {

namespace {

struct Loaded {
    std::wstring name;
    rt::UniqueModule module;
    Api api{};
};

std::wstring& ConfiguredName() {
    static std::wstring name = L"gdiplus.dll";
    return name;
}

template <class Fn> bool Resolve(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return fn != nullptr;
}

std::unique_ptr<Loaded> LoadFrom(const std::wstring& name) {
    auto l = std::make_unique<Loaded>();
    l->name = name;
    l->module.reset(::LoadLibraryW(name.c_str()));
    if (!l->module) return nullptr;
    const HMODULE m = l->module.get();
    Api& a = l->api;
    const bool all = Resolve(m, "GdiplusStartup", a.GdiplusStartup) &&
                     Resolve(m, "GdiplusShutdown", a.GdiplusShutdown) &&
                     Resolve(m, "GdipCreateBitmapFromScan0", a.GdipCreateBitmapFromScan0) &&
                     Resolve(m, "GdipImageRotateFlip", a.GdipImageRotateFlip) &&
                     Resolve(m, "GdipLoadImageFromFile", a.GdipLoadImageFromFile) &&
                     Resolve(m, "GdipLoadImageFromStream", a.GdipLoadImageFromStream) &&
                     Resolve(m, "GdipGetImageBounds", a.GdipGetImageBounds) &&
                     Resolve(m, "GdipGetImagePixelFormat", a.GdipGetImagePixelFormat) &&
                     Resolve(m, "GdipCreateFromHDC", a.GdipCreateFromHDC) &&
                     Resolve(m, "GdipDeleteGraphics", a.GdipDeleteGraphics) &&
                     Resolve(m, "GdipSetInterpolationMode", a.GdipSetInterpolationMode) &&
                     Resolve(m, "GdipCreateImageAttributes", a.GdipCreateImageAttributes) &&
                     Resolve(m, "GdipSetImageAttributesColorMatrix", a.GdipSetImageAttributesColorMatrix) &&
                     Resolve(m, "GdipDisposeImageAttributes", a.GdipDisposeImageAttributes) &&
                     Resolve(m, "GdipRotateWorldTransform", a.GdipRotateWorldTransform) &&
                     Resolve(m, "GdipTranslateWorldTransform", a.GdipTranslateWorldTransform) &&
                     Resolve(m, "GdipDrawImageRectRectI", a.GdipDrawImageRectRectI) &&
                     Resolve(m, "GdipGetImageEncodersSize", a.GdipGetImageEncodersSize) &&
                     Resolve(m, "GdipGetImageEncoders", a.GdipGetImageEncoders) &&
                     Resolve(m, "GdipSaveImageToFile", a.GdipSaveImageToFile) &&
                     Resolve(m, "GdipSaveImageToStream", a.GdipSaveImageToStream) &&
                     Resolve(m, "GdipDisposeImage", a.GdipDisposeImage);
    return all ? std::move(l) : nullptr;
}

} // namespace

const std::wstring& LibraryName() {
    return ConfiguredName();
}

void SetLibraryName(std::wstring name) {
    ConfiguredName() = std::move(name);
}

const Api* Load() {
    // Unloading GDI+ while its background thread may still run is unsafe, so a library once found
    // stays loaded for the rest of the process, also through the exit's static destructors.
    static std::mutex lock;
    static auto* libraries = new std::vector<std::unique_ptr<Loaded>>();
    // Names that were probed and are no GDI+: probed again, they cost a library search on every load.
    static auto* refused = new std::vector<std::wstring>();
    const std::lock_guard<std::mutex> hold(lock);
    const std::wstring path = ModAPI::SystemLibraryPath(ConfiguredName());
    for (const auto& l : *libraries)
        if (l->name == path) return &l->api;
    if (std::find(refused->begin(), refused->end(), path) != refused->end()) return nullptr;
    // Only a library not loaded yet is probed, not every drawing or decoding call.
    auto next = ModAPI::DllExportsFunction(path, "GdiplusStartup") ? LoadFrom(path) : nullptr;
    if (!next) {
        refused->push_back(path);
        return nullptr;
    }
    libraries->push_back(std::move(next));
    return &libraries->back()->api;
}

std::atomic<long>& LiveSessions() {
    static std::atomic<long> n{0};
    return n;
}

std::atomic<long>& LiveObjects() {
    static std::atomic<long> n{0};
    return n;
}

Token Start(const Api& api) {
    Token token = 0;
    const StartupInput input;
    if (api.GdiplusStartup(&token, &input, nullptr) != kOk) return 0;
    if (token) ++LiveSessions();
    return token;
}

void Shutdown(const Api& api, Token token) {
    if (!token) return;
    api.GdiplusShutdown(token);
    --LiveSessions();
}

Session::Session(const Api& api, Token lent) : api_(api) {
    if (lent) {
        token_ = lent;
        return;
    }
    token_ = Start(api);
    own_ = token_ != 0;
}

Session::~Session() {
    if (own_) Shutdown(api_, token_);
}

} // namespace imaging::gdip
