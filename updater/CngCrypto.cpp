#include "updater/CngCrypto.h"

#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace updater {
namespace {

using UniqueAlgorithm = rt::UniqueUncounted<BCRYPT_ALG_HANDLE, CngAlgorithmCloser>;
using UniqueKey = rt::UniqueUncounted<BCRYPT_KEY_HANDLE, CngKeyDestroyer>;

bool Ok(NTSTATUS status) {
    return status >= 0;
}

} // namespace

void CngAlgorithmCloser::operator()(void* algorithm) const {
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
}

void CngHashDestroyer::operator()(void* hash) const {
    ::BCryptDestroyHash(hash);
}

void CngKeyDestroyer::operator()(void* key) const {
    ::BCryptDestroyKey(key);
}

Sha256::Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    failed_ = !Ok(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    algorithm_.reset(algorithm);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!failed_) failed_ = !Ok(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    hash_.reset(hash);
}

void Sha256::Add(const void* data, size_t size) {
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
    while (!failed_ && size > 0) {
        const ULONG part = static_cast<ULONG>(size < 0x40000000 ? size : 0x40000000);
        failed_ = !Ok(::BCryptHashData(hash_.get(), bytes, part, 0));
        bytes += part;
        size -= part;
    }
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    if (failed_ || !Ok(::BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return std::nullopt;
    failed_ = true; // a finished hash takes no more data
    return digest;
}

std::optional<Sha256Digest> Sha256Of(std::string_view bytes) {
    Sha256 hash;
    hash.Add(bytes.data(), bytes.size());
    return hash.Finish();
}

bool VerifyP256(const EcPublicKey& key, std::string_view message, const EcSignature& signature) {
    const auto digest = Sha256Of(message);
    if (!digest) return false;
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!Ok(::BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    const UniqueAlgorithm algorithm(rawAlgorithm);

    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(key.size() / 2)};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.data(), key.size());
    BCRYPT_KEY_HANDLE rawKey = nullptr;
    // A point that is not on the curve is refused here.
    if (!Ok(::BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey, blob.data(),
                                  static_cast<ULONG>(blob.size()), 0)))
        return false;
    const UniqueKey publicKey(rawKey);
    Sha256Digest hashed = *digest;
    EcSignature sig = signature;
    return ::BCryptVerifySignature(publicKey.get(), nullptr, hashed.data(), static_cast<ULONG>(hashed.size()),
                                   sig.data(), static_cast<ULONG>(sig.size()), 0) == 0;
}

} // namespace updater
