// Demonstration of the image engine (not shipped): one PNG with alpha drawn over a checkerboard with
// each effect side by side, in a scene image painted into the form.
//   imaging_demo.exe [--log file] [--seconds n]
// The log gets the form's client rectangle on the screen and the panels' size once it shows
// ("ready left top right bottom cell image"), for the test that captures and checks it.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "imaging/dib/c32bppDIB.h"
#include "imaging/dib/cGDIPlus.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "tests/imaging/dib/TestPng.h"
#include "tests/support/DemoMain.h"

namespace {

using imaging::c32bppDIB;

constexpr int kColumns = 6, kRows = 2, kCell = 150, kCaption = 22, kImage = 100;
constexpr int kMargin = (kCell - kImage) / 2;

// A ring of changing hue with soft edges, a see-through hole, a white square (the colour key of the
// transparency panel) and a half-transparent bar.
imaging_test::Rgba Picture(int x, int y) {
    const double dx = x - 49.5, dy = y - 49.5, r = std::sqrt(dx * dx + dy * dy);
    if (x >= 6 && x < 26 && y >= 6 && y < 26) return {255, 255, 255, 255};
    if (y >= 80 && y < 92 && x >= 10 && x < 90) return {30, 60, 220, 128};
    const double edge = std::min(std::clamp(48.0 - r, 0.0, 1.0), std::clamp(r - 18.0, 0.0, 1.0));
    const double hue = std::atan2(dy, dx);
    const auto channel = [&](double phase) {
        return static_cast<uint8_t>(127.5 + 127.5 * std::cos(hue + phase));
    };
    return {channel(0), channel(2.094), channel(4.189), static_cast<uint8_t>(255 * edge)};
}

class frmImagingDemo : public demo::DemoForm {
  public:
    frmImagingDemo(FILE* log, UINT seconds) : DemoForm(log, seconds) {
        SetCaption(L"图像引擎演示");
        SetClientSize(kColumns * kCell, kRows * (kCell + kCaption));
        SetSizable(false);
        SetMaxButton(false);
    }

  protected:
    void Form_Load() override {
        BuildScene();
        DemoForm::Form_Load();
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            const rt::PaintGuard paint(hWnd());
            Paint(paint.dc());
            return 0;
        }
        return DemoForm::WindowProc(msg, wParam, lParam);
    }

  private:
    // Top-left corner of a panel's picture in the scene.
    static POINT Panel(int i) {
        return {(i % kColumns) * kCell + kMargin, (i / kColumns) * (kCell + kCaption) + kMargin};
    }

    void BuildScene() {
        const std::vector<uint8_t> png = imaging_test::MakePng(kImage, kImage, true, Picture);
        imaging::cGDIPlus().LoadImageGDIplus(L"", png, picture_, 0);
        // The own pipeline draws every panel but the first.
        picture_.isGDIplusEnabled(false);
        scene_.isGDIplusEnabled(false);
        scene_.InitializeDIB(kColumns * kCell, kRows * (kCell + kCaption));
        scene_.CreateCheckerBoard(10, 0xC8C8C8, 0x787878);

        const auto at = [](int i) { return Panel(i); };
        picture_.Render(nullptr, at(0).x, at(0).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_);
        picture_.isAlphaBlendFriendly(0);
        picture_.Render(nullptr, at(1).x, at(1).y, 0, 0, 0, 0, 0, 0, 50, true, true, &scene_);
        picture_.Render(nullptr, at(2).x, at(2).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_, 0);
        picture_.Render(nullptr, at(3).x, at(3).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_, -1, 50);
        picture_.Render(nullptr, at(4).x, at(4).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_, -1, -50);
        picture_.Render(nullptr, at(5).x, at(5).y, -kImage, kImage, 0, 0, 0, 0, 100, true, true, &scene_);
        picture_.HighQualityInterpolation(true);
        picture_.Render(nullptr, at(6).x - 15, at(6).y - 15, kImage + 30, kImage + 30, 0, 0, 0, 0, 100, true,
                        true, &scene_);
        picture_.Render(nullptr, at(7).x, at(7).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_, -1, 0, 30);
        if (const auto shadow = picture_.CreateDropShadow(4, 0x202020))
            shadow->Render(nullptr, at(8).x + 2, at(8).y + 2, 0, 0, 0, 0, 0, 0, 70, true, true, &scene_);
        picture_.Render(nullptr, at(8).x - 4, at(8).y - 4, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_);

        std::unique_ptr<c32bppDIB> inverse, keyed;
        picture_.CopyImageTo(inverse);
        picture_.CopyImageTo(keyed);
        if (inverse && inverse->MakeImageInverse())
            inverse->Render(nullptr, at(9).x, at(9).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_);
        if (keyed && keyed->MakeTransparent(0xFFFFFF, false))
            keyed->Render(nullptr, at(10).x, at(10).y, 0, 0, 0, 0, 0, 0, 100, true, true, &scene_);

        // The region of the solid pixels, filled and framed on the scene.
        const rt::UniqueRgn region = picture_.CreateRegion(2, at(11).x, at(11).y);
        const HDC dc = scene_.LoadDIBinDC(rt::kTrue);
        if (region && dc) {
            const rt::UniqueBrush fill(::CreateSolidBrush(RGB(40, 110, 200)));
            const rt::UniqueBrush frame(::CreateSolidBrush(RGB(255, 220, 0)));
            ::FillRgn(dc, region.get(), fill.get());
            ::FrameRgn(dc, region.get(), frame.get(), 1, 1);
        }
        scene_.LoadDIBinDC(rt::kFalse);
    }

    void Paint(HDC dc) {
        scene_.Render(dc);
        static const wchar_t* const captions[kColumns * kRows] = {
            L"原图",       L"不透明度 50", L"灰度", L"亮度 +50", L"亮度 -50",     L"水平镜像",
            L"双线性放大", L"旋转 30°",    L"投影", L"反色",     L"透明色（白）", L"区域"};
        const rt::UniqueFont font(
            ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"SimSun"));
        const rt::SelectGuard selected(dc, font.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(16, 16, 16));
        for (int i = 0; i < kColumns * kRows; ++i) {
            const int col = i % kColumns, row = i / kColumns;
            RECT r{col * kCell, row * (kCell + kCaption) + kCell, (col + 1) * kCell,
                   (row + 1) * (kCell + kCaption)};
            const rt::UniqueBrush band(::CreateSolidBrush(RGB(236, 236, 236)));
            ::FillRect(dc, &r, band.get());
            ::DrawTextW(dc, captions[i], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }

    void LogReady() override {
        POINT origin{0, 0};
        ::ClientToScreen(hWnd(), &origin);
        RECT client{};
        ::GetClientRect(hWnd(), &client);
        Log("ready %ld %ld %ld %ld cell %d caption %d image %d margin %d\n", origin.x, origin.y,
            origin.x + client.right, origin.y + client.bottom, kCell, kCaption, kImage, kMargin);
    }

    c32bppDIB picture_;
    c32bppDIB scene_;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    return demo::RunDemo<frmImagingDemo>(nCmdShow);
}
