// How a form answers the keyboard: its tab order, keyboard navigation between its controls, its default
// and cancel buttons, and what screen readers are told of its children.
#include "runtime/Form.h"
#include "runtime/StockControls.h"

namespace rt {
namespace {

// Depth first: a user control's own controls follow it.
void Collect(const std::vector<Control*>& controls, std::vector<Control*>& out) {
    for (Control* c : controls) {
        out.push_back(c);
        if (const auto* host = dynamic_cast<const ControlHost*>(c)) Collect(host->Controls(), out);
    }
}

bool CanFocus(const Control& c) {
    const HWND w = c.FocusWindow();
    return w && ::IsWindowVisible(w) && ::IsWindowEnabled(w);
}

// The tab stop that holds the focus, -1 for none; a control inside another one wins over it.
int FocusIndex(const std::vector<Control*>& order, HWND focus) {
    for (size_t i = order.size(); focus && i-- > 0;) {
        for (HWND w : {order[i]->FocusWindow(), order[i]->hWnd()})
            if (w && (w == focus || ::IsChild(w, focus))) return static_cast<int>(i);
    }
    return -1;
}

// The next control of `order` after index `from` (-1: from outside) that can take the focus and that
// `accept` takes, going round; null when there is none.
template <class Accept>
Control* Next(const std::vector<Control*>& order, int from, bool back, Accept accept) {
    const int n = static_cast<int>(order.size());
    for (int step = 1; step <= n; ++step) {
        const int i = from < 0 ? (back ? n - step : step - 1) : ((from + (back ? -step : step)) % n + n) % n;
        Control* c = order[static_cast<size_t>(i)];
        if (CanFocus(*c) && accept(*c)) return c;
    }
    return nullptr;
}

// Presses a button; false when there is none that can be pressed. The focused one is clicked; the
// default or cancel button is told it was clicked, as the system's dialogs do, so the focus stays.
bool Press(HWND button, bool focused) {
    if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button)) return false;
    if (focused) {
        ::SendMessageW(button, BM_CLICK, 0, 0);
    } else {
        const auto id = static_cast<WORD>(::GetDlgCtrlID(button));
        ::SendMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
    }
    return true;
}

} // namespace

std::vector<Control*> Form::TabOrder() const {
    std::vector<Control*> all, order;
    Collect(Controls(), all);
    for (Control* c : all)
        if (c->TabStop()) order.push_back(c);
    return order;
}

HWND Form::FirstFocus() const {
    for (Control* c : TabOrder())
        if (CanFocus(*c)) return c->FocusWindow();
    return nullptr;
}

std::vector<HWND> Form::AccessibleWindows() const {
    return hwnd_ ? VisibleChildWindows(hwnd_, Controls()) : std::vector<HWND>{};
}

bool Form::PreTranslate(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    Form* form = FromHwnd(::GetAncestor(msg.hwnd, GA_ROOT));
    bool used = false;
    if (form) Trap([&] { used = form->PreTranslateKey(msg) || form->NavigateByKey(msg); });
    return used;
}

bool Form::NavigateByKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0)
        return false;
    const HWND focus = ::GetFocus();
    if (!hwnd_ || (focus != hwnd_ && !::IsChild(hwnd_, focus))) return false;
    // A control that wants the key (an edit field wants the arrows) keeps it.
    const auto code = focus ? static_cast<UINT>(::SendMessageW(focus, WM_GETDLGCODE, msg.wParam,
                                                               reinterpret_cast<LPARAM>(&msg)))
                            : 0u;
    if (code & DLGC_WANTMESSAGE) return false;
    const std::vector<Control*> order = TabOrder();
    const int at = FocusIndex(order, focus);
    // Only Tab leaves a window that is not one of the form's controls (a page): it has every other key.
    Control* own =
        at >= 0 && order[static_cast<size_t>(at)]->hWnd() == focus ? order[static_cast<size_t>(at)] : nullptr;
    const bool ours = focus == hwnd_ || Control::FromHwnd(focus);

    Control* to = nullptr;
    switch (msg.wParam) {
    case VK_TAB:
        if (code & DLGC_WANTTAB) return false;
        to = Next(order, at, ::GetKeyState(VK_SHIFT) < 0, [](const Control&) { return true; });
        break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (!own || (code & DLGC_WANTARROWS)) return false;
        // A group: the tab stops placed side by side on the same host and container.
        to = Next(order, at, msg.wParam == VK_LEFT || msg.wParam == VK_UP, [own](const Control& c) {
            return c.Host() == own->Host() && c.Container() == own->Container();
        });
        if (to == own) return false;
        break;
    case VK_RETURN:
    case VK_ESCAPE: {
        if (!ours) return false;
        if (msg.wParam == VK_RETURN && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
            return Press(focus, true);
        std::vector<Control*> all;
        Collect(Controls(), all);
        for (Control* c : all) {
            const auto* button = dynamic_cast<const CommandButton*>(c);
            if (button && (msg.wParam == VK_RETURN ? button->Default() : button->Cancel()) &&
                Press(c->hWnd(), false))
                return true;
        }
        return false;
    }
    default:
        return false;
    }
    if (!to) return false;
    FocusByKey(*to);
    return true;
}

void Form::FocusByKey(Control& control) {
    ::SetFocus(control.FocusWindow());
    // From the first key that moves the focus on, the focus cues show, as in the system's dialogs.
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    // Enter presses a focused button; the default button's frame goes to it meanwhile.
    const auto* focused = dynamic_cast<const CommandButton*>(&control);
    std::vector<Control*> all;
    Collect(Controls(), all);
    for (Control* c : all)
        if (auto* button = dynamic_cast<CommandButton*>(c))
            button->ShowAsDefault(focused ? button == focused : button->Default());
}

} // namespace rt
