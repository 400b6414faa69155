#include "runtime/Accessibility.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "runtime/Control.h"
#include "runtime/Form.h"
#include "runtime/RtError.h"

namespace rt {
namespace {

UINT ActionMessage() {
    static const UINT msg = ::RegisterWindowMessageW(L"Pelmor.rt.AccessibleAction");
    return msg;
}

// The owner that answers for a window, or null for a window that is gone or not the run-time's.
AccessibleSource* SourceOf(HWND wnd) {
    if (!wnd || !::IsWindow(wnd)) return nullptr;
    if (Control* c = Control::FromHwnd(wnd)) return c->HasOwnClass() ? c : nullptr;
    return Form::FromHwnd(wnd);
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT Text(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

RECT ClientOnScreen(HWND wnd) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    ::MapWindowPoints(wnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HRESULT ObjectOf(HWND wnd, LONG id, IDispatch** out);

// The client object of one window. It holds the window alone and asks its owner at every call, so a
// screen reader that keeps it past the window gets an error, never a dangling owner.
class WindowAccessible final : public IAccessible {
  public:
    explicit WindowAccessible(HWND wnd) : wnd_(wnd) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != __uuidof(IUnknown) && riid != __uuidof(IDispatch) && riid != __uuidof(IAccessible))
            return E_NOINTERFACE;
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: callers use the interface's own methods.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return count ? S_OK : E_POINTER;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP get_accParent(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!::IsWindow(wnd_)) return RPC_E_DISCONNECTED;
        // A form's client lies in its window object; a control lies in its parent's client area.
        if (!(::GetWindowLongW(wnd_, GWL_STYLE) & WS_CHILD)) return ObjectOf(wnd_, OBJID_WINDOW, out);
        return ObjectOf(::GetParent(wnd_), OBJID_CLIENT, out);
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        std::vector<HWND> windows;
        if (!Windows(windows)) return RPC_E_DISCONNECTED;
        *count = static_cast<long>(windows.size());
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        std::vector<HWND> windows;
        if (!Windows(windows)) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4 || child.lVal < 1 || child.lVal > static_cast<long>(windows.size()))
            return E_INVALIDARG;
        return ChildObject(windows[static_cast<size_t>(child.lVal - 1)], out);
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
        return Ask(child, out, [](AccessibleSource& s) { return s.AccessibleName(); });
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (topic) *topic = -1;
        return Nothing(child, file);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Ask(child, out, [](AccessibleSource& s) { return s.AccessibleShortcut(); });
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Ask(child, out, [](AccessibleSource& s) { return s.AccessibleDefaultAction(); });
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
        return AskNumber(child, out, ROLE_SYSTEM_CLIENT,
                         [](AccessibleSource& s) { return s.AccessibleRole(); });
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
        return AskNumber(child, out, 0, [this](AccessibleSource& s) {
            long state = s.AccessibleState();
            if (!::IsWindowVisible(wnd_)) state |= STATE_SYSTEM_INVISIBLE;
            if (!::IsWindowEnabled(wnd_)) state |= STATE_SYSTEM_UNAVAILABLE;
            if (::GetWindowLongW(wnd_, GWL_STYLE) & WS_TABSTOP) state |= STATE_SYSTEM_FOCUSABLE;
            if (::GetFocus() == wnd_) state |= STATE_SYSTEM_FOCUSED;
            return state;
        });
    }
    STDMETHODIMP get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        std::vector<HWND> windows;
        if (!Windows(windows)) return RPC_E_DISCONNECTED;
        const HWND focus = ::GetFocus();
        if (focus == wnd_) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
            return S_OK;
        }
        for (HWND w : windows) {
            if (focus != w && !::IsChild(w, focus)) continue;
            out->vt = VT_DISPATCH;
            return ChildObject(w, &out->pdispVal);
        }
        return S_FALSE;
    }
    STDMETHODIMP get_accSelection(VARIANT* out) override {
        if (out) ::VariantInit(out);
        return DISP_E_MEMBERNOTFOUND;
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        if (!SourceOf(wnd_)) return RPC_E_DISCONNECTED;
        if (!IsSelf(child)) return E_INVALIDARG;
        if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
        const bool focusable = (::GetWindowLongW(wnd_, GWL_STYLE) & WS_TABSTOP) && ::IsWindowVisible(wnd_) &&
                               ::IsWindowEnabled(wnd_);
        if (!focusable) return S_FALSE;
        ::SetFocus(wnd_);
        return S_OK;
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        if (!SourceOf(wnd_)) return RPC_E_DISCONNECTED;
        if (!IsSelf(child)) return E_INVALIDARG;
        // The window itself is where the control paints and takes the mouse.
        const RECT r = ClientOnScreen(wnd_);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        if (!IsSelf(start)) return E_INVALIDARG;
        std::vector<HWND> list;
        HWND from = nullptr;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            if (!Windows(list)) return RPC_E_DISCONNECTED;
            from = direction == NAVDIR_FIRSTCHILD ? (list.empty() ? nullptr : list.front())
                                                  : (list.empty() ? nullptr : list.back());
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
            // Siblings in the order the parent tells them, when the parent is one of ours.
            AccessibleSource* parent = SourceOf(::GetParent(wnd_));
            if (!parent || !Trap([&] { list = parent->AccessibleWindows(); })) return S_FALSE;
            const auto at = std::find(list.begin(), list.end(), wnd_);
            if (at == list.end()) return S_FALSE;
            if (direction == NAVDIR_NEXT && at + 1 != list.end()) from = *(at + 1);
            if (direction == NAVDIR_PREVIOUS && at != list.begin()) from = *(at - 1);
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (!from) return S_FALSE;
        out->vt = VT_DISPATCH;
        return ChildObject(from, &out->pdispVal);
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        std::vector<HWND> windows;
        if (!Windows(windows)) return RPC_E_DISCONNECTED;
        const RECT r = ClientOnScreen(wnd_);
        POINT pt{x, y};
        if (!::PtInRect(&r, pt)) return S_FALSE;
        // The child the mouse would go to at that point.
        ::ScreenToClient(wnd_, &pt);
        const HWND at = ::ChildWindowFromPointEx(wnd_, pt, CWP_SKIPINVISIBLE);
        if (at && at != wnd_ && std::find(windows.begin(), windows.end(), at) != windows.end()) {
            out->vt = VT_DISPATCH;
            return ChildObject(at, &out->pdispVal);
        }
        out->vt = VT_I4;
        out->lVal = CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        BSTR action = nullptr;
        const HRESULT hr = get_accDefaultAction(child, &action);
        ::SysFreeString(action);
        if (hr != S_OK) return FAILED(hr) ? hr : DISP_E_MEMBERNOTFOUND;
        return ::PostMessageW(wnd_, ActionMessage(), 0, 0) ? S_OK : E_FAIL;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

  private:
    ~WindowAccessible() = default;

    bool Windows(std::vector<HWND>& out) const {
        AccessibleSource* source = SourceOf(wnd_);
        if (!source) return false;
        Trap([&] { out = source->AccessibleWindows(); });
        return true;
    }
    template <class F> HRESULT Ask(const VARIANT& child, BSTR* out, F&& ask) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        AccessibleSource* source = SourceOf(wnd_);
        if (!source) return RPC_E_DISCONNECTED;
        if (!IsSelf(child)) return E_INVALIDARG;
        std::wstring text;
        Trap([&] { text = ask(*source); });
        return Text(text, out);
    }
    template <class F> HRESULT AskNumber(const VARIANT& child, VARIANT* out, long fallback, F&& ask) const {
        if (!out) return E_POINTER;
        ::VariantInit(out);
        AccessibleSource* source = SourceOf(wnd_);
        if (!source) return RPC_E_DISCONNECTED;
        if (!IsSelf(child)) return E_INVALIDARG;
        long value = fallback;
        Trap([&] { value = ask(*source); });
        out->vt = VT_I4;
        out->lVal = value;
        return S_OK;
    }
    HRESULT Nothing(const VARIANT& child, BSTR* out) const {
        return Ask(child, out, [](AccessibleSource&) { return std::wstring(); });
    }
    static HRESULT ChildObject(HWND child, IDispatch** out) {
        return ObjectOf(child, SourceOf(child) ? OBJID_CLIENT : OBJID_WINDOW, out);
    }

    std::atomic<ULONG> refs_{1};
    HWND wnd_;
};

HRESULT ObjectOf(HWND wnd, LONG id, IDispatch** out) {
    *out = nullptr;
    if (id == OBJID_CLIENT && SourceOf(wnd)) {
        // In process: the object itself, not one marshalled through the window's answer.
        *out = new (std::nothrow) WindowAccessible(wnd);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    return ::AccessibleObjectFromWindow(wnd, static_cast<DWORD>(id), __uuidof(IDispatch),
                                        reinterpret_cast<void**>(out));
}

} // namespace

bool HandleAccessibility(HWND wnd, AccessibleSource& source, UINT msg, WPARAM wParam, LPARAM lParam,
                         LRESULT& result) {
    if (msg != 0 && msg == ActionMessage()) {
        Trap([&] { source.AccessibleDoDefaultAction(); });
        result = 0;
        return true;
    }
    // The object's identifier is the low 32 bits of lParam.
    if (msg != WM_GETOBJECT || static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
    WindowAccessible* object = new (std::nothrow) WindowAccessible(wnd);
    if (!object) return false;
    result = ::LresultFromObject(__uuidof(IAccessible), wParam, object);
    object->Release();
    return true;
}

std::vector<HWND> VisibleChildWindows(HWND wnd, const std::vector<Control*>& controls) {
    const auto shown = [](HWND w) {
        RECT r{};
        return ::IsWindowVisible(w) && ::GetWindowRect(w, &r) && !::IsRectEmpty(&r);
    };
    std::vector<HWND> out;
    for (const Control* c : controls)
        if (c->hWnd() && ::GetParent(c->hWnd()) == wnd && shown(c->hWnd())) out.push_back(c->hWnd());
    for (HWND w = ::GetWindow(wnd, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (shown(w) && std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
    return out;
}

} // namespace rt
