#pragma once
// A stand-in for the web-browser control in tests: records every call in order (keys offered too) and
// answers with a chosen result, so a window's use of its browser can be checked without a browser
// engine.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "runtime/WebBrowser.h"

namespace rt {

struct BrowserCall {
    enum class Kind { Move, Silent, Navigate2, Key };
    Kind kind;
    RECT bounds{};    // Move: left, top, left + width, top + height
    bool silent{};    // Silent
    std::wstring url; // Navigate2
    UINT message{};   // Key: the keyboard message offered and its wParam
    WPARAM key{};

    static BrowserCall MoveTo(int left, int top, int width, int height) {
        return {Kind::Move, {left, top, left + width, top + height}, false, {}};
    }
    static BrowserCall SilentSet(bool silent) { return {Kind::Silent, {}, silent, {}}; }
    static BrowserCall NavigateTo(std::wstring url) { return {Kind::Navigate2, {}, false, std::move(url)}; }
    static BrowserCall KeyOffered(UINT message, WPARAM key) {
        return {Kind::Key, {}, false, {}, message, key};
    }

    friend bool operator==(const BrowserCall& a, const BrowserCall& b) {
        return a.kind == b.kind && ::EqualRect(&a.bounds, &b.bounds) && a.silent == b.silent &&
               a.url == b.url && a.message == b.message && a.key == b.key;
    }
};

class RecordingWebBrowser final : public IWebBrowserControl {
  public:
    bool Move(int left, int top, int width, int height) override {
        calls_.push_back(BrowserCall::MoveTo(left, top, width, height));
        return result_;
    }
    bool SetSilent(bool silent) override {
        calls_.push_back(BrowserCall::SilentSet(silent));
        return result_;
    }
    bool Navigate2(const std::wstring& url) override {
        calls_.push_back(BrowserCall::NavigateTo(url));
        return result_;
    }

    bool TranslateAccelerator(MSG& msg) override {
        calls_.push_back(BrowserCall::KeyOffered(msg.message, msg.wParam));
        return takesKey_ && takesKey_(msg);
    }
    // No window: the form keeps the focus itself.
    HWND Window() const override { return nullptr; }
    void FrameActivated(bool) override {}

    // What every operation returns from now on; false plays a browser that fails.
    void SetResult(bool result) { result_ = result; }
    // Which offered keys the browser uses up; none unless told.
    void SetTakesKey(std::function<bool(const MSG&)> takes) { takesKey_ = std::move(takes); }

    const std::vector<BrowserCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }
    std::vector<std::wstring> Urls() const {
        std::vector<std::wstring> urls;
        for (const auto& c : calls_)
            if (c.kind == BrowserCall::Kind::Navigate2) urls.push_back(c.url);
        return urls;
    }
    size_t Count(BrowserCall::Kind kind) const {
        return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(),
                                                 [kind](const BrowserCall& c) { return c.kind == kind; }));
    }

  private:
    std::vector<BrowserCall> calls_;
    bool result_ = true;
    std::function<bool(const MSG&)> takesKey_;
};

} // namespace rt
