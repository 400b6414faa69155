#include "CFileDownload.h"

#include <wrl/client.h>

#include <utility>

#include "runtime/Handles.h"
#include "runtime/RtError.h"

using Microsoft::WRL::ComPtr;

// The COM side of CFileDownload: urlmon's status callback for one binding at a time.
class CFileDownload::BindCallback final : public IBindStatusCallback, public IHttpNegotiate {
  public:
    explicit BindCallback(CFileDownload* owner) : owner_(owner) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IBindStatusCallback) {
            *ppv = static_cast<IBindStatusCallback*>(this);
        } else if (riid == IID_IHttpNegotiate) {
            *ppv = static_cast<IHttpNegotiate*>(this);
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
    STDMETHODIMP OnResponse(DWORD dwResponseCode, LPCWSTR, LPCWSTR,
                            LPWSTR* pszAdditionalRequestHeaders) override {
        httpStatus_ = dwResponseCode;
        if (pszAdditionalRequestHeaders) *pszAdditionalRequestHeaders = nullptr;
        return S_OK;
    }

    bool Busy() const { return busy_; }

    bool Transfer(const std::wstring& src, const std::wstring& dest);

    void Abort() {
        busy_ = false;
        if (running_) abortRequested_ = true;
        if (bindingHeld_ != 1) return;
        // Abort may report the end (and drop our reference) before it returns.
        ComPtr<IBinding> binding(binding_);
        binding->Abort();
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

    bool HttpStatusOk() const { return httpStatus_ == 0 || (httpStatus_ >= 200 && httpStatus_ < 300); }

    void ReadData(IStream* stream);
    bool Bind(const std::wstring& src);
    void RunMessagesUntilStopped();

    LONG refs_ = 1;
    CFileDownload* owner_;
    IBinding* binding_ = nullptr;
    int32_t bindingHeld_ = 0;
    bool busy_ = false;

    // One transfer, from StartDownloading to its return.
    bool running_ = false;
    bool stopped_ = false;
    bool abortRequested_ = false;
    HRESULT stopResult_ = E_FAIL;
    DWORD httpStatus_ = 0; // 0: no HTTP answer seen
    std::wstring dest_;
    rt::UniqueKernelHandle file_;
    bool fileWritten_ = false;
    bool writeFailed_ = false;
};

bool CFileDownload::BindCallback::Transfer(const std::wstring& src, const std::wstring& dest) {
    if (busy_ || running_) return false;
    dest_ = dest;
    running_ = true;
    stopped_ = false;
    abortRequested_ = false;
    stopResult_ = E_FAIL;
    httpStatus_ = 0;
    fileWritten_ = false;
    writeFailed_ = false;

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool bound = Bind(src);
    if (SUCCEEDED(com)) ::CoUninitialize();

    bool ok = bound && stopResult_ == S_OK && !abortRequested_ && HttpStatusOk() && !writeFailed_;
    if (ok && !fileWritten_) {
        // An empty body still makes an (empty) file.
        file_.reset(::CreateFileW(dest_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = static_cast<bool>(file_);
    }
    file_.reset();
    // A cut-off file must never pass for the download.
    if (!ok && fileWritten_) ::DeleteFileW(dest_.c_str());
    running_ = false;
    return ok;
}

bool CFileDownload::BindCallback::Bind(const std::wstring& src) {
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    if (FAILED(::CreateURLMonikerEx(nullptr, src.c_str(), &moniker, URL_MK_UNIFORM)) ||
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
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: end the transfer, and leave the quit for the caller's loop.
                quit = true;
                quitCode = msg.wParam;
                Abort();
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else if (!stopped_) {
            // A bounded wait: the end may be reported from a sent message that leaves nothing queued.
            ::MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

void CFileDownload::BindCallback::ReadData(IStream* stream) {
    char buffer[16 * 1024];
    for (;;) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(buffer, sizeof(buffer), &read);
        if (read > 0 && HttpStatusOk() && !writeFailed_ && !abortRequested_) {
            if (!file_) {
                file_.reset(::CreateFileW(dest_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
                fileWritten_ = static_cast<bool>(file_);
            }
            DWORD written = 0;
            if (!file_ || !::WriteFile(file_.get(), buffer, read, &written, nullptr) || written != read) {
                writeFailed_ = true;
                Abort();
            }
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
