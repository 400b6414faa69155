#pragma once
// A form with a menu bar, submenus, separators, accelerators and disabled, checked and right-justified
// items, carrying a menu control; menus open on it programmatically and end themselves when idle.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "menus/ctxHookMenu.h"
#include "runtime/Form.h"

namespace menutest {

enum : UINT { kNew = 101, kOpen, kSave, kWrap, kExit, kRecent1 = 111, kUndo = 201, kPaste, kAbout = 301 };

struct ItemSnapshot {
    UINT type = 0;
    UINT id = 0;
    std::wstring text;
};

// Type, identifier and text of every item of a menu and its submenus, depth first.
std::vector<ItemSnapshot> Snapshot(HMENU menu);
UINT ItemType(HMENU menu, UINT position);
ULONG_PTR ItemData(HMENU menu, UINT position);

class MenuForm : public rt::Form {
  public:
    MenuForm();
    ~MenuForm() override;

    menus::ctxHookMenu ctxHookMenu1;
    // Stored properties of the control; null places it as newly made.
    const rt::PropertyBag* stored = nullptr;

    HMENU bar = nullptr;
    HMENU file = nullptr;
    HMENU recent = nullptr;
    HMENU edit = nullptr;
    HMENU help = nullptr;

    // Runs inside the menu loop each time it goes idle; return true to end the menu.
    std::function<bool(int idleCount)> onIdle;
    std::vector<WPARAM> menuSelects;
    std::vector<std::wstring> highlights;
    int initMenuPopups = 0;
    int unhandledMeasures = 0;

    // Tracks `menu` at (x, y) until onIdle ends it (or at the first idle without one); returns the
    // command chosen, 0 for none.
    int Open(HMENU menu, int x = 100, int y = 100);

  protected:
    void CreateControls() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    int idleCount_ = 0;
    bool pasteAdded_ = false;
};

} // namespace menutest
