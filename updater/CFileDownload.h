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
//
// Redirects are never left to the service: each one is put to AllowRedirect and, when allowed, fetched
// by a new request of this object (at most kMaxRedirects in one transfer).
#include <windows.h>
#include <urlmon.h>

#include <cstdint>
#include <functional>
#include <string>

// Bounds of one transfer; 0 means no bound.
struct TransferLimits {
    // Longest wait for the answer, and then for each further piece of the body.
    DWORD idleMs = 0;
    // Longest whole transfer, redirects included.
    DWORD totalMs = 0;
    // Largest body: one announced or found longer ends the transfer before more of it is written.
    uint64_t maxBytes = 0;
};

// How the last transfer that ran ended.
enum class DownloadResult {
    Saved,           // the whole body of a 2xx answer is in the file
    Failed,          // no connection, a broken transfer, an address the service cannot fetch
    HttpError,       // the answer was not 2xx, or an http(s) transfer showed no status at all
    Aborted,         // AbortDownloading, the owner going or the program ending
    TimedOut,        // a bound of TransferLimits in time
    TooLarge,        // the body exceeded TransferLimits::maxBytes
    CutShort,        // the body ended before the length its answer announced
    RedirectRefused, // AllowRedirect said no, or there were too many redirects
    WriteFailed,     // the file could not be written
};

class CFileDownload {
  public:
    using ProgressEvent = std::function<void(int32_t lProgress, int32_t lMaxProgress, int32_t lStatusCode,
                                             const std::wstring& sStatusText)>;
    // from: the address that answered with the redirect; to: where it sends the transfer, resolved.
    using RedirectRule = std::function<bool(const std::wstring& from, const std::wstring& to)>;

    static constexpr int kMaxRedirects = 5;

    CFileDownload();
    ~CFileDownload();
    CFileDownload(const CFileDownload&) = delete;
    CFileDownload& operator=(const CFileDownload&) = delete;

    // Raised for every progress notification of a transfer; lStatusCode is a BINDSTATUS value.
    ProgressEvent OnProgress;
    // Without a rule every redirect is refused.
    RedirectRule AllowRedirect;
    // Applied to each transfer as it starts.
    TransferLimits Limits;

    // True only when the whole body of a successful (2xx) answer was written to sDest. False at once
    // while a transfer of this object is running. A failed transfer removes the part it wrote.
    bool StartDownloading(const std::wstring& sSrc, const std::wstring& sDest);
    // Aborts the running transfer, if any, through its binding; always clears busy.
    void AbortDownloading();
    bool Busy() const;
    // From the start of a transfer until StartDownloading returns, which an abort does not hasten.
    bool Running() const;
    // Of the last transfer that ran to its end (a refused second start does not count).
    DownloadResult LastResult() const;

    // A copy of the zero-terminated wide (fUnicode) or ANSI string at lpString; empty for null.
    static std::wstring StrFromPtr(const void* lpString, bool fUnicode);

    // The status callback transfers report to (no reference is added for the caller).
    IBindStatusCallback* StatusCallback() const;

  private:
    class BindCallback;
    BindCallback* callback_;
};
