#pragma once
// The web-browser control as the programs use it: placed in a container window, silenced, and sent to
// one address at a time. The interface lets windows be tested with a recorder in its place.
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

namespace rt {

class OleSite;

class IWebBrowserControl {
  public:
    virtual ~IWebBrowserControl() = default;
    // In pixels of the container's client area; the browser may reach beyond it.
    virtual bool Move(int left, int top, int width, int height) = 0;
    // True: no dialog boxes from the browser or its pages.
    virtual bool SetSilent(bool silent) = 0;
    virtual bool Navigate2(const std::wstring& url) = 0;
    // Loads the page shown again.
    virtual bool Refresh() = 0;
    // A keyboard message the program's loop has taken, offered before it is translated and dispatched;
    // true when the browser used it up (Tab, Ctrl+C, F5 and the like inside a page).
    virtual bool TranslateAccelerator(MSG& msg) = 0;
    // The browser's own window, where the page takes the keyboard focus; null when there is none.
    virtual HWND Window() const = 0;
    // The top-level window holding the browser was activated (true) or deactivated.
    virtual void FrameActivated(bool active) = 0;
};

// The system's browser ActiveX control hosted in place inside a container window. Every operation
// reports failure instead of throwing; when the control cannot be created the container is left
// untouched and the operations return false.
class WebBrowserControl final : public IWebBrowserControl {
  public:
    WebBrowserControl();
    // Another class id, for tests of the failure path.
    explicit WebBrowserControl(const CLSID& clsid);
    WebBrowserControl(const WebBrowserControl&) = delete;
    WebBrowserControl& operator=(const WebBrowserControl&) = delete;
    ~WebBrowserControl() override;

    // Needs OLE initialised on the calling thread. The browser starts at the rectangle of the last
    // Move (empty until then) and silent if SetSilent(true) came first.
    bool Create(HWND container);
    // Deactivates, detaches and closes the control; safe to call twice or after the container is gone.
    void Destroy();
    bool Created() const { return browser_ != nullptr; }
    // The browser's own window inside the container; null when not created.
    HWND Window() const override;
    // The control object itself, for tests that count its references.
    IUnknown* Object() const { return object_.Get(); }

    bool Move(int left, int top, int width, int height) override;
    bool SetSilent(bool silent) override;
    bool Navigate2(const std::wstring& url) override;
    bool Refresh() override;
    // Only keys for the browser's own windows go to its in-place object.
    bool TranslateAccelerator(MSG& msg) override;
    // Passed on to the active object the browser handed its site, if it has handed one.
    void FrameActivated(bool active) override;

    // Container sites still alive in this process; 0 once every control is destroyed and has let go.
    static long LiveSites();

  private:
    CLSID clsid_;
    RECT bounds_{};
    bool silent_ = false;
    OleSite* site_ = nullptr;
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlace_;
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

} // namespace rt
