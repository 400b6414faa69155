#include "runtime/WebBrowser.h"

#include <climits>
#include <cstdint>
#include <new>
#include <utility>

#include "runtime/OleSite.h"

namespace rt {

WebBrowserControl::WebBrowserControl() : WebBrowserControl(CLSID_WebBrowser) {}

WebBrowserControl::WebBrowserControl(const CLSID& clsid) : clsid_(clsid) {}

WebBrowserControl::~WebBrowserControl() {
    Destroy();
}

bool WebBrowserControl::Create(HWND container) {
    if (site_ || !::IsWindow(container)) return false;
    Microsoft::WRL::ComPtr<IOleObject> object;
    if (FAILED(::CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))))
        return false;
    site_ = new (std::nothrow) OleSite(container);
    if (!site_) return false;
    site_->SetBounds(bounds_);
    site_->SetSilent(silent_);
    object_ = std::move(object);

    bool ok = SUCCEEDED(object_->SetClientSite(site_));
    if (ok) {
        object_->SetHostNames(L"Pelmor", nullptr);
        ::OleSetContainedObject(object_.Get(), TRUE);
        ok = SUCCEEDED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, container, &bounds_));
    }
    ok = ok && SUCCEEDED(object_.As(&inPlace_)) && SUCCEEDED(object_.As(&browser_));
    if (!ok) {
        Destroy();
        return false;
    }
    site_->SetInPlaceObject(inPlace_.Get());
    if (silent_) browser_->put_Silent(VARIANT_TRUE);
    return true;
}

void WebBrowserControl::Destroy() {
    if (site_) site_->SetInPlaceObject(nullptr);
    // A page still loading would otherwise call back into a site that is going away.
    if (browser_) browser_->Stop();
    if (inPlace_) inPlace_->InPlaceDeactivate();
    inPlace_.Reset();
    browser_.Reset();
    if (object_) {
        object_->SetClientSite(nullptr);
        object_->Close(OLECLOSE_NOSAVE);
        object_.Reset();
    }
    if (site_) {
        // The active object is the control itself: kept, it would hold the control past Destroy.
        site_->SetActiveObject(nullptr, nullptr);
        std::exchange(site_, nullptr)->Release();
    }
}

HWND WebBrowserControl::Window() const {
    HWND wnd = nullptr;
    if (!inPlace_ || FAILED(inPlace_->GetWindow(&wnd))) return nullptr;
    return wnd;
}

bool WebBrowserControl::Move(int left, int top, int width, int height) {
    const int64_t right = int64_t{left} + width;
    const int64_t bottom = int64_t{top} + height;
    if (width < 0 || height < 0 || right > INT_MAX || bottom > INT_MAX) return false;
    bounds_ = {left, top, static_cast<LONG>(right), static_cast<LONG>(bottom)};
    if (!inPlace_) return false;
    site_->SetBounds(bounds_);
    return SUCCEEDED(inPlace_->SetObjectRects(&bounds_, &bounds_));
}

bool WebBrowserControl::SetSilent(bool silent) {
    silent_ = silent;
    if (!browser_) return false;
    site_->SetSilent(silent);
    return SUCCEEDED(browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE));
}

bool WebBrowserControl::Navigate2(const std::wstring& url) {
    if (!browser_ || url.size() > UINT_MAX) return false;
    VARIANT address;
    ::VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    if (!address.bstrVal) return false;
    // The optional arguments are passed as absent, as a single-argument call does.
    VARIANT none;
    ::VariantInit(&none);
    const HRESULT hr = browser_->Navigate2(&address, &none, &none, &none, &none);
    ::VariantClear(&address);
    return SUCCEEDED(hr);
}

bool WebBrowserControl::Refresh() {
    if (!browser_) return false;
    if (SUCCEEDED(browser_->Refresh())) return true;
    // No document to refresh (still loading, or no engine to show it): the address is opened again.
    BSTR location = nullptr;
    if (FAILED(browser_->get_LocationURL(&location)) || !location) return false;
    const std::wstring url(location, ::SysStringLen(location));
    ::SysFreeString(location);
    return !url.empty() && Navigate2(url);
}

bool WebBrowserControl::TranslateAccelerator(MSG& msg) {
    if (!object_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    const HWND wnd = Window();
    if (!wnd || !msg.hwnd || (msg.hwnd != wnd && !::IsChild(wnd, msg.hwnd))) return false;
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(object_.As(&active))) return false;
    return active->TranslateAccelerator(&msg) == S_OK;
}

void WebBrowserControl::FrameActivated(bool active) {
    if (site_) site_->FrameActivated(active);
}

long WebBrowserControl::LiveSites() {
    return OleSite::Live();
}

} // namespace rt
