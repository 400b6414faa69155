#pragma once
// The updater's own version: major.minor of the fixed file version in a module's version resource.
#include <windows.h>

#include "updater/DecimalVersion.h"

namespace updater {

// The running program's version when module is null. Zero when the module has no version resource.
DecimalVersion ReadOwnVersion(HMODULE module = nullptr);

} // namespace updater
