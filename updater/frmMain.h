#pragma once
// The updater's one window: the new version's label, progress, and the start and cancel buttons.
#include "Form.h"
#include "StockControls.h"

namespace updater {

class frmMain : public rt::Form {
public:
    frmMain();

    rt::Label lbTiShi;
    rt::Label lblProgress;
    rt::ProgressBar pb;
    rt::CommandButton cmdUpSoft;
    rt::CommandButton cmdQuxiao;

protected:
    void CreateControls() override;
};

} // namespace updater
