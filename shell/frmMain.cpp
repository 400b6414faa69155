#include "frmMain.h"

#include "resource_names.h"

namespace viewer {

frmMain::frmMain() {
    SetCaption(L"Pelmor免费行情分析系统V1.5");
    SetClientSize(831, 532);
    SetSizable(true);
    SetMinButton(true);
    SetMaxButton(true);
    SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
}

} // namespace viewer
