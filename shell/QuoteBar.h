#pragma once
// The row of six quote-source buttons in the skin's caption row. A click (or Enter, Space, or the
// source's Ctrl+digit) points the main browser at the button's page; the bar keeps no notion of a
// current source.
#include <array>
#include <memory>
#include <string>

#include "runtime/WebBrowser.h"
#include "shell/QuoteSources.h"
#include "shell/SkinGeometry.h"
#include "shell/UButton.h"

namespace viewer {

class QuoteBar {
public:
    // `homeUrl` is the product site's home page; the buttons' pages are formed from it and the hosts.
    explicit QuoteBar(std::wstring homeUrl);

    // Places the six buttons on `host` (the skin frame control) with their stored pictures.
    void Create(rt::ControlHost& host);
    // Pictures, places and sizes for a monitor of the scale's resolution.
    void Rescale(const skin::Scale& s);
    // The browser the buttons drive; may be changed or cleared at any time.
    void SetBrowser(rt::IWebBrowserControl* browser) { browser_ = browser; }

    UButton& Button(size_t index) { return *buttons_.at(index); }
    static constexpr size_t kCount = kQuoteSourceCount;

    // Opens the page of the source at `index`, as its button does.
    void Open(size_t index);

  private:
    std::wstring homeUrl_;
    rt::IWebBrowserControl* browser_ = nullptr;
    std::array<std::unique_ptr<UButton>, kCount> buttons_;
};

} // namespace viewer
