#pragma once
// Soak builds of the viewer only: a message-only window through which another process asks for the
// run-time's live handle counts, so a long run can watch them without a debugger.
#include <windows.h>

#include "runtime/Handles.h"

namespace soak {

inline constexpr wchar_t kProbeClass[] = L"PelmorLiveHandleProbe";
// Sent to the probe window: wParam 0 answers the live GDI handles, 1 the live USER handles.
inline constexpr wchar_t kProbeMessage[] = L"Pelmor.LiveHandles";

class HandleProbe {
  public:
    HandleProbe();

  private:
    rt::UniqueWindow window_;
};

} // namespace soak
