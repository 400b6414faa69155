#include "updater/UpdateChecks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "updater/CngCrypto.h"

namespace updater {
namespace {

// A key vouches for the list only through the line that names it (or the one line of the old form, when
// the build has no other key to tell apart).
bool SignedByOneOf(const std::vector<EcPublicKey>& keys, const SignedList& parts) {
    for (const EcPublicKey& key : keys) {
        const auto id = KeyIdOf(key);
        for (const ListSignatureLine& line : parts.signatures) {
            const bool own = line.keyId ? line.keyId == id : keys.size() == 1;
            if (own && VerifyP256(key, parts.message, line.signature)) return true;
        }
    }
    return false;
}

} // namespace

ListReading ReadCheckedList(std::string_view bytes, std::string_view domain, std::string_view publicKeys,
                            const ListDate& today) {
    auto list = UpdateList::Parse(bytes, domain);
    if (!list) return {ListState::Invalid};
    if (publicKeys.empty()) return {ListState::Good, std::move(list)};
    const auto keys = ParsePublicKeys(publicKeys);
    // A signature vouches for the download only through the digest it covers.
    if (!keys || !SignedByOneOf(*keys, SplitSignedList(bytes)) || !list->sha256) return {ListState::Invalid};
    if (!list->expires) return {ListState::Undated};
    if (*list->expires < today) return {ListState::Expired};
    return {ListState::Good, std::move(list)};
}

std::optional<KeyId> KeyIdOf(const EcPublicKey& key) {
    std::string point(1, '\x04');
    point.append(key.begin(), key.end());
    const auto digest = Sha256Of(point);
    if (!digest) return std::nullopt;
    KeyId id{};
    std::copy_n(digest->begin(), id.size(), id.begin());
    return id;
}

ListDate TodayUtc() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

rt::UniqueKernelHandle OpenVerifiedSetup(const std::wstring& path, const Sha256Digest& sha256) {
    // Readers may share it (starting the program reads it); writers and deleters may not.
    rt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::vector<char> buffer(64 * 1024);
    DWORD read = 0;
    // A disk file gives all the bytes asked for that it has.
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
        read < 2 || buffer[0] != 'M' || buffer[1] != 'Z')
        return {};
    Sha256 hash;
    while (read != 0) {
        hash.Add(buffer.data(), read);
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return {};
    }
    const auto digest = hash.Finish();
    if (!digest || *digest != sha256) return {};
    return file;
}

} // namespace updater
