#include "updater/OwnVersion.h"

#include "runtime/ProgramVersion.h"

namespace updater {

DecimalVersion ReadOwnVersion(HMODULE module) {
    const rt::ProgramVersion v = rt::ReadProgramVersion(module);
    if (!v.found) return {};
    return DecimalVersion::FromMajorMinor(v.major, v.minor);
}

} // namespace updater
