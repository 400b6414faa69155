#pragma once
// Whether a download address from the update list may be followed: the updater runs what it downloads,
// so the address must lead to the product web site itself, not merely mention its name.
#include <string_view>

namespace updater {

// True when url is an http or https address, written in printable ASCII without backslashes, without
// user information, with an optional port 1-65535, whose host is domain or a sub-domain of it (letters
// compared without regard to case). A domain that is an IP literal ("127.0.0.1", "[::1]") matches only
// itself.
bool IsProductUrl(std::string_view url, std::string_view domain);

} // namespace updater
