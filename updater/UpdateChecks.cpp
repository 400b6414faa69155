#include "UpdateChecks.h"

#include <string>
#include <vector>

#include "CngCrypto.h"
#include "ListSignature.h"

namespace updater {

std::optional<UpdateList> ReadCheckedList(std::string_view bytes, std::string_view domain,
                                          std::string_view publicKey) {
    auto list = UpdateList::Parse(bytes, domain);
    if (!list || publicKey.empty()) return list;
    const auto key = ParsePublicKey(publicKey);
    const SignedList parts = SplitSignedList(bytes);
    if (!key || !parts.signature || !VerifyP256(*key, parts.message, *parts.signature)) return std::nullopt;
    // A signature vouches for the download only through the digest it covers.
    if (!list->sha256) return std::nullopt;
    return list;
}

rt::UniqueKernelHandle OpenVerifiedSetup(const std::wstring& path,
                                         const std::optional<Sha256Digest>& sha256) {
    // Readers may share it (starting the program reads it); writers and deleters may not.
    rt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::vector<char> buffer(sha256 ? 64 * 1024 : 2);
    DWORD read = 0;
    // A disk file gives all the bytes asked for that it has.
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
        read < 2 || buffer[0] != 'M' || buffer[1] != 'Z')
        return {};
    if (!sha256) return file;
    Sha256 hash;
    while (read != 0) {
        hash.Add(buffer.data(), read);
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return {};
    }
    const auto digest = hash.Finish();
    if (!digest || *digest != *sha256) return {};
    return file;
}

} // namespace updater
