#pragma once
// SHA-256 and ECDSA P-256 signature checks through the system's CNG (bcrypt.dll), with the calls that
// Windows 7 already has.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string_view>

#include "runtime/Handles.h"
#include "updater/ListSignature.h"
#include "updater/UpdateList.h"

namespace updater {

struct CngAlgorithmCloser {
    void operator()(void* algorithm) const;
};
struct CngHashDestroyer {
    void operator()(void* hash) const;
};
struct CngKeyDestroyer {
    void operator()(void* key) const;
};

class Sha256 {
  public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const void* data, size_t size);
    // The digest of everything added; nothing when the system could not hash.
    std::optional<Sha256Digest> Finish();

  private:
    // Declared in this order so that the hash goes before its algorithm.
    rt::UniqueUncounted<void*, CngAlgorithmCloser> algorithm_;
    rt::UniqueUncounted<void*, CngHashDestroyer> hash_;
    bool failed_ = false;
};

std::optional<Sha256Digest> Sha256Of(std::string_view bytes);

// True only when signature is key's signature of message's SHA-256.
bool VerifyP256(const EcPublicKey& key, std::string_view message, const EcSignature& signature);

} // namespace updater
