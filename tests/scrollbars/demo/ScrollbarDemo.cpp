// Demonstration of the skinned scroll bars (not shipped): a horizontal and a reversed vertical scroll
// bar with 32-bit ranges, painted by the scroll-bar painter, and a gallery of every painter state.
//   scrollbar_demo.exe [--log file] [--seconds n]
// The log gets the bars' screen rectangles once the form shows ("ready ...") and a line per Change
// ("H value thumbStart thumbEnd"), for the end-to-end test that drives the form with real input.
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/Form.h"
#include "runtime/StockControls.h"
#include "scrollbars/CLongScroll.h"
#include "tests/scrollbars/demo/SkinnedBars.h"
#include "tests/support/DemoMain.h"

namespace {

constexpr uint32_t kFormBack = 0x00302820;
constexpr uint32_t kTextColour = 0x00DCDCDC;

class frmScrollDemo : public demo::DemoForm {
  public:
    frmScrollDemo(FILE* log, UINT seconds) : DemoForm(log, seconds), skin_(painter_), gallery_(painter_) {
        SetCaption(L"长范围滚动条演示");
        SetClientSize(620, 360);
        SetSizable(false);
        SetMaxButton(false);
        SetBackColor(kFormBack);
    }

  protected:
    void CreateControls() override {
        for (rt::Label* l : {&lbH, &lbV, &lbHValue, &lbVValue})
            l->SetForeColor(kTextColour);
        lbH.SetCaption(L"水平：-20亿 … 20亿");
        lbV.SetCaption(L"垂直(反向)：10亿 … -10亿");
        Add(lbH, L"lbH", 16, 8, 360, 14);
        Add(HScroll1, L"HScroll1", 16, 26, 360, 17);
        Add(lbHValue, L"lbHValue", 16, 48, 360, 14);
        Add(lbV, L"lbV", 394, 8, 190, 14);
        Add(lbVValue, L"lbVValue", 394, 48, 190, 14);
        Add(VScroll1, L"VScroll1", 596, 8, 17, 340);
        Add(gallery_, L"gallery", 16, 100, 570, 250);
    }

    void Form_Load() override {
        Wire(lsH, HScroll1, lbHValue, "H", -2'000'000'000, 2'000'000'000, 1'000'000, 100'000'000,
             500'000'000);
        Wire(lsV, VScroll1, lbVValue, "V", 1'000'000'000, -1'000'000'000, 5'000'000, 250'000'000, 0);
        skin_.Attach(HScroll1);
        skin_.Attach(VScroll1);
        DemoForm::Form_Load();
    }

  private:
    void Wire(scrollbars::CLongScroll& ls, rt::ScrollBar& bar, rt::Label& label, const char* tag, int32_t min,
              int32_t max, int32_t small, int32_t large, int32_t value) {
        ls.Client(&bar);
        ls.Min(min);
        ls.Max(max);
        ls.SmallChange(small);
        ls.LargeChange(large);
        ls.Change = [this, &ls, &bar, &label, tag] {
            label.SetCaption(L"值：" + std::to_wstring(ls.Value()));
            const POINT thumb = Thumb(bar);
            Log("%s %ld %ld %ld\n", tag, static_cast<long>(ls.Value()), thumb.x, thumb.y);
        };
        ls.Value(value);
    }

    // Start and end of the thumb along the bar, as the system control hit-tests it.
    static POINT Thumb(rt::ScrollBar& bar) {
        SCROLLBARINFO sbi{};
        sbi.cbSize = sizeof(sbi);
        ::GetScrollBarInfo(bar.hWnd(), OBJID_CLIENT, &sbi);
        return {sbi.xyThumbTop, sbi.xyThumbBottom};
    }

    void LogReady() override {
        RECT h{}, v{}, f{};
        ::GetWindowRect(HScroll1.hWnd(), &h);
        ::GetWindowRect(VScroll1.hWnd(), &v);
        ::GetWindowRect(hWnd(), &f);
        const POINT th = Thumb(HScroll1), tv = Thumb(VScroll1);
        Log("ready H %ld %ld %ld %ld %ld %ld V %ld %ld %ld %ld %ld %ld form %ld %ld %ld %ld\n", h.left, h.top,
            h.right, h.bottom, th.x, th.y, v.left, v.top, v.right, v.bottom, tv.x, tv.y, f.left, f.top,
            f.right, f.bottom);
    }

    scrollbars::cScrollbarDraw painter_;
    demo::BarSkin skin_;
    demo::StateGallery gallery_;
    rt::HScrollBar HScroll1;
    rt::VScrollBar VScroll1;
    rt::Label lbH, lbV, lbHValue, lbVValue;
    scrollbars::CLongScroll lsH, lsV;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    return demo::RunDemo<frmScrollDemo>(nCmdShow);
}
