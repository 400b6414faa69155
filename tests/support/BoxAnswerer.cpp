#include "tests/support/BoxAnswerer.h"

#include <utility>
#include <vector>

namespace rt::test {
namespace {

std::wstring WindowText(HWND wnd) {
    int n = ::GetWindowTextLengthW(wnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(wnd, s.data(), n + 1)));
    return s;
}

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    return name;
}

struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND wnd, LPARAM lp) {
    auto* search = reinterpret_cast<BoxSearch*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid == search->processId && ::IsWindowVisible(wnd) && ClassOf(wnd) == L"#32770")
        search->boxes.push_back(wnd);
    return TRUE;
}

// Visible dialog-class top-level windows of a process; a box is visible only once its texts are set.
std::vector<HWND> OpenBoxes(DWORD processId) {
    BoxSearch search{processId, {}};
    ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

void Click(HWND box, int button) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
}

} // namespace

std::wstring MessageBoxText(HWND box) {
    HWND text = ::GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::wstring();
}

BoxAnswerer::BoxAnswerer(std::wstring title, int button, std::optional<std::wstring> expectedText,
                         std::chrono::milliseconds timeout, DWORD processId)
    : title_(std::move(title)), button_(button), expected_(std::move(expectedText)), timeout_(timeout),
      processId_(processId ? processId : ::GetCurrentProcessId()), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool BoxAnswerer::Wait() {
    if (thread_.joinable()) thread_.join();
    return found_ && matched_;
}

void BoxAnswerer::Run() {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        for (HWND box : OpenBoxes(processId_)) {
            if (WindowText(box) != title_) continue;
            text_ = MessageBoxText(box);
            found_ = true;
            matched_ = !expected_ || *expected_ == text_;
            Click(box, button_);
            return;
        }
        ::Sleep(10);
    }
    if (stop_) return;
    for (HWND box : OpenBoxes(processId_)) {
        Click(box, button_);
        dismissedOther_ = true;
    }
}

std::optional<std::wstring> AnswerBox(DWORD processId, const std::wstring& title, int button,
                                      std::chrono::milliseconds timeout) {
    BoxAnswerer answerer(title, button, std::nullopt, timeout, processId);
    answerer.Wait();
    return answerer.Found() ? std::optional<std::wstring>(answerer.Text()) : std::nullopt;
}

} // namespace rt::test
