#include "frmMain.h"

#include "resource_names.h"

namespace updater {

frmMain::frmMain() {
    SetCaption(L"Pelmor更新");
    SetClientSize(446, 114);
    SetSizable(false);
    SetMaxButton(false);
    SetMinButton(true);
    SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
}

void frmMain::CreateControls() {
    lbTiShi.SetCaption(L"检测到有新版本 V1.666。。。");
    Add(lbTiShi, L"lbTiShi", 16, 16, 162, 12);
    lblProgress.SetCaption(L"进度0%");
    Add(lblProgress, L"lblProgress", 376, 16, 36, 12);
    Add(pb, L"pb", 16, 40, 420, 23);
    cmdUpSoft.SetCaption(L"开始更新");
    Add(cmdUpSoft, L"cmdUpSoft", 280, 80, 81, 23);
    cmdQuxiao.SetCaption(L"取消");
    Add(cmdQuxiao, L"cmdQuxiao", 376, 80, 57, 24);
}

} // namespace updater
