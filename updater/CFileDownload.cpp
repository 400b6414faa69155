#include "updater/CFileDownload.h"

#include <wrl/client.h>

#include <optional>
#include <utility>

#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"
#include "updater/HttpAnswer.h"
#include "updater/ProductUrl.h"

using Microsoft::WRL::ComPtr;

namespace {

bool IsRedirectStatus(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

// The COM side of CFileDownload: urlmon's status callback for one binding at a time.
class CFileDownload::BindCallback final : public IBindStatusCallback,
                                          public IHttpNegotiate,
                                          public IBindCallbackRedirect {
  public:
    explicit BindCallback(CFileDownload* owner) : owner_(owner) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IBindStatusCallback) {
            *ppv = static_cast<IBindStatusCallback*>(this);
        } else if (riid == IID_IHttpNegotiate) {
            *ppv = static_cast<IHttpNegotiate*>(this);
        } else if (riid == IID_IBindCallbackRedirect) {
            *ppv = static_cast<IBindCallbackRedirect*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    STDMETHODIMP OnStartBinding(DWORD, IBinding* pib) override {
        if (pib && !bindingHeld_) {
            binding_ = pib;
            binding_->AddRef();
            bindingHeld_ = 1;
            abortSent_ = false;
        }
        busy_ = true;
        return S_OK;
    }
    STDMETHODIMP GetPriority(LONG* pnPriority) override {
        if (pnPriority) *pnPriority = THREAD_PRIORITY_NORMAL;
        return S_OK;
    }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                            LPCWSTR szStatusText) override {
        // Where the service follows a redirect by itself, it is still put to the rule; then the target is
        // the new address.
        if (ulStatusCode == BINDSTATUS_REDIRECTING && running_ && !redirectHandled_ && szStatusText)
            TrapOrFail([&] {
                if (std::wstring target = AllowedTarget(szStatusText); !target.empty())
                    url_ = std::move(target);
            });
        if (!owner_ || !owner_->OnProgress) return S_OK;
        rt::Trap([&] {
            // A copy: the handler may destroy the owner, and with it the original.
            const ProgressEvent handler = owner_->OnProgress;
            handler(static_cast<int32_t>(ulProgress), static_cast<int32_t>(ulProgressMax),
                    static_cast<int32_t>(ulStatusCode), StrFromPtr(szStatusText, true));
        });
        return S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT hresult, LPCWSTR) override {
        stopResult_ = hresult;
        stopped_ = true;
        busy_ = false;
        ReleaseBinding();
        return S_OK;
    }
    STDMETHODIMP GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) override {
        // Asynchronous, so that this thread's own message loop drives the transfer; never from the cache,
        // since an updater must see the server's current files.
        if (grfBINDF)
            *grfBINDF = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
                        BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        if (pbindinfo && pbindinfo->cbSize >= sizeof(BINDINFO)) {
            const ULONG size = pbindinfo->cbSize;
            ::ZeroMemory(pbindinfo, size);
            pbindinfo->cbSize = size;
            pbindinfo->dwBindVerb = BINDVERB_GET;
            // Each redirect comes to Redirect() before any request is sent on.
            pbindinfo->dwOptions = BINDINFO_OPTIONS_DISABLEAUTOREDIRECTS;
        }
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* pstgmed) override {
        if (pstgmed && pstgmed->tymed == TYMED_ISTREAM && pstgmed->pstm) ReadData(pstgmed->pstm);
        return S_OK;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* pszAdditionalHeaders) override {
        if (pszAdditionalHeaders) *pszAdditionalHeaders = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD dwResponseCode, LPCWSTR szResponseHeaders, LPCWSTR,
                            LPWSTR* pszAdditionalRequestHeaders) override {
        if (pszAdditionalRequestHeaders) *pszAdditionalRequestHeaders = nullptr;
        if (!running_) return S_OK;
        httpStatus_ = dwResponseCode;
        lastActivity_ = ::GetTickCount64();
        TrapOrFail([&] {
            const updater::HttpAnswer answer =
                updater::HttpAnswer::Read(szResponseHeaders ? szResponseHeaders : L"");
            bodyLength_ = answer.bodyLength;
            if (IsRedirectStatus(dwResponseCode) && !answer.location.empty() && !redirectHandled_)
                TakeRedirect(rt::Utf8ToWide(answer.location));
            else if (bodyLength_ && limits_.maxBytes && *bodyLength_ > limits_.maxBytes)
                Fail(DownloadResult::TooLarge);
        });
        return S_OK;
    }

    STDMETHODIMP Redirect(LPCWSTR lpcUrl, VARIANT_BOOL* vbCancel) override {
        // Always cancelled: an allowed target is fetched by a request of our own.
        if (vbCancel) *vbCancel = VARIANT_TRUE;
        if (running_ && !redirectHandled_) TrapOrFail([&] { TakeRedirect(lpcUrl ? lpcUrl : L""); });
        return S_OK;
    }

    bool Busy() const { return busy_; }
    bool Running() const { return running_; }
    DownloadResult LastResult() const { return lastResult_; }

    bool Transfer(const std::wstring& src, const std::wstring& dest);

    void Abort() {
        busy_ = false;
        if (running_) Fail(DownloadResult::Aborted);
        AbortBinding();
    }

    // The owner is going away: no more events; a running transfer is abandoned.
    void Detach() {
        owner_ = nullptr;
        if (running_) Abort();
        ReleaseBinding();
    }

  private:
    ~BindCallback() { ReleaseBinding(); }

    void ReleaseBinding() {
        if (bindingHeld_ != 1) return;
        bindingHeld_ = 0;
        std::exchange(binding_, nullptr)->Release();
    }

    // Once per binding: the loop repeats it until the end is reported.
    void AbortBinding() {
        if (bindingHeld_ != 1 || abortSent_) return;
        abortSent_ = true;
        // Abort may report the end (and drop our reference) before it returns.
        ComPtr<IBinding> binding(binding_);
        binding->Abort();
    }

    // The first reason a transfer fails is the one reported; the binding is aborted by the loop.
    void Fail(DownloadResult result) {
        if (failure_ == DownloadResult::Saved) failure_ = result;
    }
    bool Failing() const { return failure_ != DownloadResult::Saved; }

    bool BodyWanted() const {
        if (Failing() || redirectHandled_) return false;
        // An http(s) body counts only under a 2xx status; other schemes have none.
        return updater::IsHttpUrl(rt::WideToUtf8(url_)) ? httpStatus_ >= 200 && httpStatus_ < 300
                                                        : httpStatus_ == 0;
    }

    // Allocation fails inside urlmon's call: the transfer ends instead of the exception crossing it.
    template <class F> void TrapOrFail(F&& fn) {
        if (!rt::Trap(std::forward<F>(fn))) Fail(DownloadResult::Failed);
    }

    // A redirect this request answered with: its target is fetched by the next request of the loop.
    void TakeRedirect(const std::wstring& location) {
        redirectHandled_ = true;
        redirectTo_ = AllowedTarget(location);
    }

    // Where a redirect leads, counted and put to the owner's rule; empty, with the transfer failing,
    // when it is refused.
    std::wstring AllowedTarget(const std::wstring& location) {
        std::wstring target;
        if (++redirects_ <= kMaxRedirects)
            target = rt::Utf8ToWide(updater::ResolveLocation(rt::WideToUtf8(url_), rt::WideToUtf8(location)));
        if (target.empty() || !Allowed(target)) {
            Fail(DownloadResult::RedirectRefused);
            return {};
        }
        return target;
    }

    bool Allowed(const std::wstring& target) const {
        bool allowed = false;
        if (owner_ && owner_->AllowRedirect) rt::Trap([&] { allowed = owner_->AllowRedirect(url_, target); });
        return allowed;
    }

    bool TimeUp() const {
        const ULONGLONG now = ::GetTickCount64();
        return (limits_.idleMs && now - lastActivity_ > limits_.idleMs) ||
               (limits_.totalMs && now - started_ > limits_.totalMs);
    }

    DownloadResult Verdict(bool bound) const;
    void ReadData(IStream* stream);
    bool Bind();
    void RunMessagesUntilStopped();

    LONG refs_ = 1;
    CFileDownload* owner_;
    IBinding* binding_ = nullptr;
    int32_t bindingHeld_ = 0;
    bool abortSent_ = false;
    bool busy_ = false;
    DownloadResult lastResult_ = DownloadResult::Saved;

    // One transfer, from StartDownloading to its return.
    bool running_ = false;
    TransferLimits limits_; // the owner's, taken as it starts
    ULONGLONG started_ = 0;
    ULONGLONG lastActivity_ = 0;
    DownloadResult failure_ = DownloadResult::Saved;
    int redirects_ = 0;
    std::wstring dest_;
    rt::UniqueKernelHandle file_;
    bool fileWritten_ = false;
    uint64_t written_ = 0;

    // One request of the transfer: the first, or one after a redirect.
    std::wstring url_;
    bool stopped_ = false;
    HRESULT stopResult_ = E_FAIL;
    DWORD httpStatus_ = 0; // 0: no HTTP answer seen
    std::optional<uint64_t> bodyLength_;
    bool redirectHandled_ = false;
    std::wstring redirectTo_;
};

bool CFileDownload::BindCallback::Transfer(const std::wstring& src, const std::wstring& dest) {
    if (busy_ || running_) return false;
    dest_ = dest;
    running_ = true;
    limits_ = owner_ ? owner_->Limits : TransferLimits{};
    started_ = ::GetTickCount64();
    failure_ = DownloadResult::Saved;
    redirects_ = 0;
    fileWritten_ = false;
    written_ = 0;
    url_ = src;

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool bound = false;
    for (;;) {
        stopped_ = false;
        stopResult_ = E_FAIL;
        httpStatus_ = 0;
        bodyLength_.reset();
        redirectHandled_ = false;
        redirectTo_.clear();
        lastActivity_ = ::GetTickCount64();
        bound = Bind();
        if (redirectTo_.empty() || Failing()) break;
        url_ = std::exchange(redirectTo_, {});
    }
    if (SUCCEEDED(com)) ::CoUninitialize();

    DownloadResult result = Verdict(bound);
    if (result == DownloadResult::Saved && !fileWritten_) {
        // An empty body still makes an (empty) file.
        file_.reset(::CreateFileW(dest_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) result = DownloadResult::WriteFailed;
    }
    file_.reset();
    // A cut-off file must never pass for the download.
    if (result != DownloadResult::Saved && fileWritten_) ::DeleteFileW(dest_.c_str());
    lastResult_ = result;
    running_ = false;
    return result == DownloadResult::Saved;
}

DownloadResult CFileDownload::BindCallback::Verdict(bool bound) const {
    if (Failing()) return failure_;
    if (!bound) return DownloadResult::Failed;
    if (updater::IsHttpUrl(rt::WideToUtf8(url_)) && (httpStatus_ < 200 || httpStatus_ >= 300))
        return DownloadResult::HttpError;
    if (stopResult_ != S_OK) return DownloadResult::Failed;
    if (bodyLength_ && written_ != *bodyLength_) return DownloadResult::CutShort;
    return DownloadResult::Saved;
}

bool CFileDownload::BindCallback::Bind() {
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    if (FAILED(::CreateURLMonikerEx(nullptr, url_.c_str(), &moniker, URL_MK_UNIFORM)) ||
        FAILED(::CreateAsyncBindCtx(0, this, nullptr, &context)))
        return false;
    ComPtr<IStream> stream;
    const HRESULT hr = moniker->BindToStorage(context.Get(), nullptr, IID_IStream, &stream);
    if (SUCCEEDED(hr)) {
        RunMessagesUntilStopped();
    } else if (!stopped_) {
        stopResult_ = hr;
        busy_ = false;
        ReleaseBinding();
    }
    ::RevokeBindStatusCallback(context.Get(), this);
    return true;
}

void CFileDownload::BindCallback::RunMessagesUntilStopped() {
    bool quit = false;
    WPARAM quitCode = 0;
    while (!stopped_) {
        if (!Failing() && TimeUp()) Fail(DownloadResult::TimedOut);
        if (Failing()) AbortBinding();
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: end the transfer, and leave the quit for the caller's loop.
                quit = true;
                quitCode = msg.wParam;
                Abort();
                continue;
            }
            // The window's keys work during the transfer too (Esc stops it as the cancel button does).
            if (rt::Form::PreTranslate(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else if (!stopped_) {
            // A bounded wait: the end may be reported from a sent message that leaves nothing queued, and
            // the time limits are looked at between waits.
            ::MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

void CFileDownload::BindCallback::ReadData(IStream* stream) {
    char buffer[16 * 1024];
    for (;;) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(buffer, sizeof(buffer), &read);
        if (read > 0) lastActivity_ = ::GetTickCount64();
        if (read > 0 && running_ && BodyWanted()) {
            if (limits_.maxBytes && written_ + read > limits_.maxBytes) {
                Fail(DownloadResult::TooLarge);
                return;
            }
            if (!file_) {
                file_.reset(::CreateFileW(dest_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
                fileWritten_ = static_cast<bool>(file_);
            }
            DWORD written = 0;
            if (!file_ || !::WriteFile(file_.get(), buffer, read, &written, nullptr) || written != read) {
                Fail(DownloadResult::WriteFailed);
                return;
            }
            written_ += read;
        }
        if (hr != S_OK || read == 0) return;
    }
}

CFileDownload::CFileDownload() : callback_(new BindCallback(this)) {}

CFileDownload::~CFileDownload() {
    callback_->Detach();
    callback_->Release();
}

bool CFileDownload::StartDownloading(const std::wstring& sSrc, const std::wstring& sDest) {
    // Our own reference for the call: the owner may be destroyed inside an event handler.
    const ComPtr<BindCallback> callback(callback_);
    bool ok = false;
    rt::Trap([&] { ok = callback->Transfer(sSrc, sDest); });
    return ok;
}

void CFileDownload::AbortDownloading() {
    callback_->Abort();
}

bool CFileDownload::Busy() const {
    return callback_->Busy();
}

bool CFileDownload::Running() const {
    return callback_->Running();
}

DownloadResult CFileDownload::LastResult() const {
    return callback_->LastResult();
}

IBindStatusCallback* CFileDownload::StatusCallback() const {
    return callback_;
}

std::wstring CFileDownload::StrFromPtr(const void* lpString, bool fUnicode) {
    if (!lpString) return {};
    if (fUnicode) {
        const auto* s = static_cast<const wchar_t*>(lpString);
        return std::wstring(s, static_cast<size_t>(::lstrlenW(s)));
    }
    const auto* s = static_cast<const char*>(lpString);
    const int len = ::lstrlenA(s);
    if (len <= 0) return {};
    std::wstring out(static_cast<size_t>(len), L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, s, len, out.data(), len);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    return out;
}
