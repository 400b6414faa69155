#include "runtime/OleSite.h"

#include <mshtmdid.h>
#include <idispids.h>
#include <olectl.h>

namespace rt {

OleSite::OleSite(HWND container) : container_(container) {
    ++live();
}

OleSite::~OleSite() {
    --live();
}

STDMETHODIMP OleSite::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
        *out = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
        *out = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
        *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IServiceProvider) {
        *out = static_cast<IServiceProvider*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) OleSite::AddRef() {
    return ++refs_;
}

STDMETHODIMP_(ULONG) OleSite::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP OleSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP OleSite::GetContainer(IOleContainer** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP OleSite::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = container_;
    return ::IsWindow(container_) ? S_OK : E_FAIL;
}

STDMETHODIMP OleSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    *pos = bounds_;
    // The container clips its children itself; the control only needs to know where it stands.
    *clip = bounds_;
    info->fMDIApp = FALSE;
    info->hwndFrame = ::GetAncestor(container_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP OleSite::OnPosRectChange(LPCRECT pos) {
    if (!pos) return E_POINTER;
    bounds_ = *pos;
    return inPlace_ ? inPlace_->SetObjectRects(&bounds_, &bounds_) : S_OK;
}

STDMETHODIMP OleSite::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) {
    active_ = active;
    return S_OK;
}

void OleSite::FrameActivated(bool active) {
    // Held while it is told: the call may make the browser hand over another object.
    if (const Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> object = active_)
        object->OnFrameWindowActivate(active ? TRUE : FALSE);
}

LONG OleSite::DownloadControlFlags() const {
    // An answer replaces the browser's defaults, so images, videos and sounds are named again. Scripts
    // and ActiveX controls stay allowed: the quote pages are script and Flash pages.
    LONG flags = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS;
    if (silent_) flags |= DLCTL_SILENT;
    return flags;
}

STDMETHODIMP OleSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP OleSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                             UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    ::VariantInit(result);
    switch (id) {
    case DISPID_AMBIENT_DLCONTROL:
        result->vt = VT_I4;
        result->lVal = DownloadControlFlags();
        return S_OK;
    case DISPID_AMBIENT_SILENT:
        result->vt = VT_BOOL;
        result->boolVal = silent_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_USERMODE:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

STDMETHODIMP OleSite::QueryService(REFGUID service, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // Only while silent: otherwise the browser's own download dialog is what the user asked for.
    if (service != __uuidof(IDownloadManager) || !silent_) return E_NOINTERFACE;
    if (riid != __uuidof(IDownloadManager)) return QueryInterface(riid, out);
    *out = static_cast<IDownloadManager*>(this);
    AddRef();
    return S_OK;
}

} // namespace rt
