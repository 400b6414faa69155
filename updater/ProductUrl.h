#pragma once
// Whether a download address from the update list may be followed: the updater runs what it downloads,
// so the address must lead to the product web site itself, not merely mention its name.
#include <string>
#include <string_view>

namespace updater {

// True when url is an http or https address, written in printable ASCII without backslashes and without
// '@' anywhere, with an optional port 1-65535, whose host is domain or a sub-domain of it (letters
// compared without regard to case). A domain that is an IP literal ("127.0.0.1", "[::1]") matches only
// itself.
bool IsProductUrl(std::string_view url, std::string_view domain);

// An address whose scheme is http or https (in any case).
bool IsHttpUrl(std::string_view url);

// A redirect's Location read against the address that answered with it: an absolute address as it is,
// "//host/…" with the base's scheme, "/path" on the base's origin, "?query", "#fragment" and relative
// paths against the base's path (dot segments are left to the server). Empty when base has no scheme.
std::string ResolveLocation(std::string_view base, std::string_view location);

// A transfer of an address on the product host may be sent on to `to` only when that is a product
// address too and the transfer does not leave https for http.
bool IsAllowedRedirect(std::string_view from, std::string_view to, std::string_view domain);

} // namespace updater
