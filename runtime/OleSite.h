#pragma once
// The container side of one in-place OLE control living in a child window: client site, in-place
// site and frame, the ambient properties the browser asks for, and a download manager that declines
// file downloads so no download dialog shows.
#include <windows.h>
#include <downloadmgr.h>
#include <ole2.h>
#include <oleidl.h>
#include <servprov.h>

#include <wrl/client.h>

#include <atomic>

namespace rt {

class OleSite final : public IOleClientSite,
                      public IOleInPlaceSite,
                      public IOleInPlaceFrame,
                      public IDispatch,
                      public IServiceProvider,
                      public IDownloadManager {
  public:
    // Starts with one reference, owned by the caller.
    explicit OleSite(HWND container);
    OleSite(const OleSite&) = delete;
    OleSite& operator=(const OleSite&) = delete;

    static long Live() { return live().load(); }

    HWND Container() const { return container_; }
    const RECT& Bounds() const { return bounds_; }
    void SetBounds(const RECT& r) { bounds_ = r; }
    // Not owned: the control clears it before it lets go of the object, so no reference cycle forms.
    void SetInPlaceObject(IOleInPlaceObject* object) { inPlace_ = object; }
    // Read by the ambient properties; the browser reads them again for each page it loads.
    bool Silent() const { return silent_; }
    void SetSilent(bool silent) { silent_ = silent; }
    // Ambient flags of the download control: what a page loads, and whether it may show dialogs.
    LONG DownloadControlFlags() const;
    // Tells the active object the browser handed in SetActiveObject that the frame window was
    // activated or deactivated.
    void FrameActivated(bool active);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, through both the in-place site and the frame
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT pos) override;

    // IOleInPlaceUIWindow: no tool bars, no border space
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;

    // IOleInPlaceFrame: the window has no menus or status bar of the control's
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: ambient properties only
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** out) override;

    // IDownloadManager: a download is taken over and dropped.
    STDMETHODIMP Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR, UINT) override {
        return S_OK;
    }

  private:
    ~OleSite();
    static std::atomic<long>& live() {
        static std::atomic<long> n{0};
        return n;
    }

    std::atomic<ULONG> refs_{1};
    HWND container_;
    RECT bounds_{};
    IOleInPlaceObject* inPlace_ = nullptr;
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active_;
    bool silent_ = false;
};

} // namespace rt
