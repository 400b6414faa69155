#include "shell/QuoteBar.h"

#include "resources/resource_names.h"
#include "runtime/PropertyBag.h"
#include "runtime/RtError.h"
#include "shell/SkinPictures.h"
#include "shell/ViewerKeys.h"

namespace viewer {

QuoteBar::QuoteBar(std::wstring homeUrl) : homeUrl_(std::move(homeUrl)) {
    for (auto& b : buttons_) b = std::make_unique<UButton>();
}

void QuoteBar::Create(rt::ControlHost& host) {
    const auto& sources = QuoteSources();
    for (size_t i = 0; i < kCount; ++i) {
        const QuoteSource& s = sources[i];
        const std::wstring stem = s.pictures;
        // The buttons' design-time properties: three pictures each, never disabled.
        rt::PropertyBag bag;
        bag.Write(L"Picture", rt::PictureRef{stem + L"_N"}, rt::PictureRef{});
        bag.Write(L"PictureHover", rt::PictureRef{stem + L"_H"}, rt::PictureRef{});
        bag.Write(L"PictureClick", rt::PictureRef{stem + L"_C"}, rt::PictureRef{});
        UButton& b = *buttons_[i];
        b.Click = [this, i] { Open(i); };
        b.SetCaption(s.label);
        b.SetShortcut(SourceShortcut(i));
        host.AddUserControl(b, s.control, s.left, kQuoteButtonTop, kQuoteButtonWidth, kQuoteButtonHeight, &bag);
    }
}

void QuoteBar::Rescale(const skin::Scale& s) {
    const auto& sources = QuoteSources();
    for (size_t i = 0; i < kCount; ++i) {
        const std::wstring stem = sources[i].pictures;
        const auto picture = [&](const wchar_t* state) {
            return ScaledResPicture((stem + state).c_str(), PELMOR_BUTTON_W, PELMOR_BUTTON_H, s.dpi);
        };
        UButton& b = *buttons_[i];
        // The normal picture last: it is the one shown, and the button takes its size.
        b.SetPictureHover(picture(L"_H"));
        b.SetPictureClick(picture(L"_C"));
        b.SetPicture(picture(L"_N"));
        b.Move(s(sources[i].left), s(kQuoteButtonTop));
    }
}

void QuoteBar::Open(size_t index) {
    // A failing navigation is not reported; the browser is silent.
    rt::Trap([&] {
        if (!browser_) return;
        browser_->SetSilent(true);
        browser_->Navigate2(QuotePageUrl(QuoteSources()[index], homeUrl_));
    });
}

} // namespace viewer
