#pragma once
// Downloads one URL into one local file through the URL-moniker service. StartDownloading is a
// synchronous call: it runs the calling thread's message loop until the transfer ends, so progress
// events and the caller's own window messages (a stop button) run on this thread while it is on the stack.
//
// Lifetime: the COM object that urlmon talks to (IBindStatusCallback, IHttpNegotiate) is a separate,
// reference-counted heap object; CFileDownload owns one reference to it and may live on the stack or the
// heap. urlmon's references keep that object alive for as long as a binding uses it, and a CFileDownload
// destroyed from inside its own OnProgress detaches from it: the transfer is aborted, no further event
// is raised and the pending StartDownloading returns false without touching the destroyed owner.
#include <windows.h>
#include <urlmon.h>

#include <cstdint>
#include <functional>
#include <string>

class CFileDownload {
  public:
    using ProgressEvent = std::function<void(int32_t lProgress, int32_t lMaxProgress, int32_t lStatusCode,
                                             const std::wstring& sStatusText)>;

    CFileDownload();
    ~CFileDownload();
    CFileDownload(const CFileDownload&) = delete;
    CFileDownload& operator=(const CFileDownload&) = delete;

    // Raised for every progress notification of a transfer; lStatusCode is a BINDSTATUS value.
    ProgressEvent OnProgress;

    // True only when the whole body of a successful (2xx) answer was written to sDest. False at once
    // while a transfer of this object is running. A failed transfer removes the part it wrote.
    bool StartDownloading(const std::wstring& sSrc, const std::wstring& sDest);
    // Aborts the running transfer, if any, through its binding; always clears busy.
    void AbortDownloading();
    bool Busy() const;

    // A copy of the zero-terminated wide (fUnicode) or ANSI string at lpString; empty for null.
    static std::wstring StrFromPtr(const void* lpString, bool fUnicode);

    // The status callback transfers report to (no reference is added for the caller).
    IBindStatusCallback* StatusCallback() const;

  private:
    class BindCallback;
    BindCallback* callback_;
};
