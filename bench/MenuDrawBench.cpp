// Cost of one popup frame image with its shadow at 300 × 400, and of one popup item paint, each as a
// ratio to one BitBlt of the same area in the same run; then the full paint of a 30- and a 200-item
// popup (every item measured and drawn, as the system asks when the popup shows), with the number of
// GetMenuItemInfoW calls the engine makes for it. Run under Wine (or on Windows):
// bench_menu_draw.exe [repetitions]
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "menus/MenuDrawGeometry.h"
#include "menus/PopupFramePainter.h"
#include "menus/ctxHookMenu.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "tests/support/ImportSlot.h"

namespace {

// A form with one popup menu of the usual kinds of item, converted by its menu control.
class BenchForm : public rt::Form {
  public:
    BenchForm() { SetClientSize(400, 300); }
    menus::ctxHookMenu menu;
    HMENU file = nullptr;

  protected:
    void CreateControls() override {
        file = ::CreatePopupMenu();
        ::AppendMenuW(file, MF_STRING, 101, L"打开(&O)...\tCtrl+O");
        ::AppendMenuW(file, MF_STRING, 102, L"新建(&N)");
        const HMENU bar = ::CreateMenu();
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
        ::SetMenu(hWnd(), bar);
        AddUserControl(menu, L"ctxHookMenu1", 0, 0, 10, 10, nullptr);
    }
};

// The program's own GetMenuItemInfoW calls, counted through its import slot.
long g_menuItemInfoCalls = 0;
decltype(&::GetMenuItemInfoW) g_realGetMenuItemInfoW = &::GetMenuItemInfoW;

BOOL WINAPI CountingGetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW mii) {
    ++g_menuItemInfoCalls;
    return g_realGetMenuItemInfoW(menu, item, byPosition, mii);
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// Runs `work` in batches, keeping the fastest batch's time per call: on a shared machine most batches
// lose the core for a while, and the fastest shows what the work itself costs.
template <class F> double Fastest(int rounds, int batch, F work) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER t0, t1;
        ::QueryPerformanceCounter(&t0);
        for (int i = 0; i < batch; ++i)
            work();
        ::GdiFlush();
        ::QueryPerformanceCounter(&t1);
        best = std::min(best, Seconds(t0, t1, f) / batch);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    constexpr int kBatch = 10;
    const int rounds = std::max(5, (argc > 1 ? std::atoi(argv[1]) : 300) / kBatch);
    ::OleInitialize(nullptr);
    BenchForm form;
    form.Show(SW_SHOWNORMAL);
    form.menu.pvInitMenu(form.file, menus::ctxHookMenu::MenuKind::Popup);
    const menus::MenuColours colours = form.menu.Colours();
    const int H = form.menu.Metrics().itemHeight;

    rt::WindowDC screen(nullptr);
    const auto memory = [&](int w, int h) {
        struct Surface {
            rt::UniqueDC dc;
            rt::UniqueBitmap bmp;
            HGDIOBJ old;
        } s{rt::UniqueDC(::CreateCompatibleDC(screen.get())),
            rt::UniqueBitmap(::CreateCompatibleBitmap(screen.get(), w, h)), nullptr};
        s.old = ::SelectObject(s.dc.get(), s.bmp.get());
        return s;
    };

    // The frame image: a surface of the popup's size, what lies behind it copied in, the frame and the
    // shadow painted over it; against one copy of the same 300 × 400.
    constexpr int kW = 300, kH = 400;
    auto behind = memory(kW, kH);
    auto target = memory(kW, kH);
    ::PatBlt(behind.dc.get(), 0, 0, kW, kH, WHITENESS);
    const menus::FrameLayout layout = menus::LayOutPopupFrame(kW, kH, 3, H, {});
    menus::FrameLook look;
    look.joinColour = colours.barOpenFill;
    const double frame = Fastest(rounds, kBatch, [&] {
        drawing::cMemDC image;
        image.Init(kW, kH);
        image.LoadBlt(behind.dc.get(), 0, 0, 0, 0, kW, kH);
        menus::PaintPopupFrame(image, layout, look, colours);
    });
    const double frameBlit = Fastest(
        rounds, kBatch, [&] { ::BitBlt(target.dc.get(), 0, 0, kW, kH, behind.dc.get(), 0, 0, SRCCOPY); });

    // One item: WM_DRAWITEM for 打开, text and accelerator, selected (its box), into a menu-sized DC;
    // against one copy of the area the item surface covers.
    constexpr int kItemW = 200;
    auto menuDc = memory(kItemW + 3, H + 1);
    const auto item = [&](UINT pos, UINT state) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_DATA;
        ::GetMenuItemInfoW(form.file, pos, TRUE, &mii);
        DRAWITEMSTRUCT dis{ODT_MENU,        0,
                           mii.wID,         ODA_DRAWENTIRE,
                           state,           reinterpret_cast<HWND>(form.file),
                           menuDc.dc.get(), RECT{0, 0, kItemW, H},
                           mii.dwItemData};
        ::SendMessageW(form.hWnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    };
    const double paint = Fastest(rounds, kBatch, [&] { item(0, ODS_SELECTED); });
    const double plain = Fastest(rounds, kBatch, [&] { item(1, 0); });
    const double itemBlit = Fastest(rounds, kBatch, [&] {
        ::BitBlt(menuDc.dc.get(), 0, 0, kItemW + 3, H + 1, behind.dc.get(), 0, 0, SRCCOPY);
    });

    const auto ratio = [](double t, double ref) { return ref > 0 ? t / ref : 0.0; };
    std::printf(
        "popup frame image with shadow %dx%d: %.1f us; BitBlt of the same area: %.1f us; ratio %.1f\n", kW,
        kH, frame * 1e6, frameBlit * 1e6, ratio(frame, frameBlit));
    std::printf("popup item paint %dx%d (selected, text and accelerator): %.1f us; BitBlt of the same area: "
                "%.1f us; ratio %.1f\n",
                kItemW, H, paint * 1e6, itemBlit * 1e6, ratio(paint, itemBlit));
    std::printf("  an item in no state: %.1f us; ratio %.1f\n", plain * 1e6, ratio(plain, itemBlit));

    // A popup of n items (a separator every tenth, an accelerator on every third, one checked, one
    // disabled, one submenu), converted as WM_INITMENUPOPUP converts it, then painted whole: each item
    // measured, then drawn at its place in a DC of the popup's size.
    if (void** slot = testsupport::ImportSlot("user32.dll", "GetMenuItemInfoW"))
        g_realGetMenuItemInfoW = reinterpret_cast<decltype(g_realGetMenuItemInfoW)>(
            testsupport::SwapImport(slot, reinterpret_cast<void*>(&CountingGetMenuItemInfoW)));
    else
        std::printf("GetMenuItemInfoW calls cannot be counted here\n");
    for (const int n : {30, 200}) {
        const HMENU popup = ::CreatePopupMenu();
        const HMENU sub = ::CreatePopupMenu();
        ::AppendMenuW(sub, MF_STRING, 900, L"1 行情.txt");
        for (int i = 0; i < n; ++i) {
            const std::wstring text = L"项目 " + std::to_wstring(i + 1) + L"(&" +
                                      static_cast<wchar_t>(L'a' + i % 26) + L")" +
                                      (i % 3 == 0 ? L"\tCtrl+" + std::to_wstring(i % 10) : L"");
            if (i % 10 == 9)
                ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            else if (i == 4)
                ::AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
            else
                ::AppendMenuW(popup, MF_STRING | (i == 2 ? MF_CHECKED : 0) | (i == 5 ? MF_GRAYED : 0),
                              1000 + i, text.c_str());
        }
        ::SendMessageW(form.hWnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        struct Item {
            UINT id;
            ULONG_PTR data;
            RECT rc;
        };
        std::vector<Item> items;
        int height = 0;
        for (int i = 0; i < n; ++i) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof(mii);
            mii.fMask = MIIM_ID | MIIM_DATA;
            g_realGetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &mii);
            MEASUREITEMSTRUCT mis{ODT_MENU, 0, mii.wID, 0, 0, mii.dwItemData};
            ::SendMessageW(form.hWnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
            items.push_back({mii.wID, mii.dwItemData, RECT{0, height, kItemW, height + int(mis.itemHeight)}});
            height += static_cast<int>(mis.itemHeight);
        }
        auto popupDc = memory(kItemW + 3, height + 1);
        auto copy = memory(kItemW + 3, height + 1);
        const auto paintAll = [&] {
            for (const Item& it : items) {
                MEASUREITEMSTRUCT mis{ODT_MENU, 0, it.id, 0, 0, it.data};
                ::SendMessageW(form.hWnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
            }
            for (const Item& it : items) {
                DRAWITEMSTRUCT dis{ODT_MENU,         0,     it.id,
                                   ODA_DRAWENTIRE,   0,     reinterpret_cast<HWND>(popup),
                                   popupDc.dc.get(), it.rc, it.data};
                ::SendMessageW(form.hWnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
            }
        };
        g_menuItemInfoCalls = 0;
        paintAll();
        const long calls = g_menuItemInfoCalls;
        const double full = Fastest(std::max(5, rounds / 5), 1, paintAll);
        const double blit = Fastest(rounds, kBatch, [&] {
            ::BitBlt(copy.dc.get(), 0, 0, kItemW + 3, height + 1, popupDc.dc.get(), 0, 0, SRCCOPY);
        });
        std::printf("full paint of a %d-item popup %dx%d: %ld GetMenuItemInfoW calls (%.2f per item); "
                    "%.0f us (%.1f us per item); BitBlt of the same area: %.1f us\n",
                    n, kItemW, height, calls, static_cast<double>(calls) / n, full * 1e6, full * 1e6 / n,
                    blit * 1e6);
        // The submenu goes with it.
        ::DestroyMenu(popup);
    }
    form.Unload();
    ::OleUninitialize();
    return 0;
}
