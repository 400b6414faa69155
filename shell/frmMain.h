#pragma once
// The viewer's only window.
#include "Form.h"

namespace viewer {

class frmMain : public rt::Form {
public:
    frmMain();
};

} // namespace viewer
