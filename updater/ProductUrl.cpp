#include "updater/ProductUrl.h"

#include <cstddef>

#include "updater/AsciiNoCase.h"

namespace updater {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLabelChar(char c) {
    return IsDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z') || c == '-';
}

// Dot-separated labels of letters, digits and hyphens, none empty. Anything a resolver or URL parser
// might rewrite (percent escapes, trailing dots, underscores) is refused rather than interpreted.
bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    size_t labelLength = 0;
    for (char c : host) {
        if (c == '.') {
            if (labelLength == 0) return false;
            labelLength = 0;
        } else if (!IsLabelChar(c) || ++labelLength > 63) {
            return false;
        }
    }
    return labelLength > 0;
}

bool IsNumericHost(std::string_view host) {
    for (char c : host)
        if (!IsDigit(c) && c != '.') return false;
    return true;
}

bool IsPort(std::string_view port) {
    if (port.empty() || port.size() > 5) return false;
    unsigned value = 0;
    for (char c : port) {
        if (!IsDigit(c)) return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

bool HostMatches(std::string_view host, std::string_view domain) {
    if (EqualNoCase(host, domain)) return true;
    if (host.empty() || host.front() == '[' || domain.front() == '[' || IsNumericHost(domain)) return false;
    return host.size() > domain.size() + 1 && host[host.size() - domain.size() - 1] == '.' &&
           EqualNoCase(host.substr(host.size() - domain.size()), domain);
}

} // namespace

bool IsProductUrl(std::string_view url, std::string_view domain) {
    if (domain.empty()) return false;
    // '@' anywhere: a parser that ends the authority elsewhere ("?@", "#@") may read the host after it.
    for (char c : url)
        if (c <= ' ' || c > '~' || c == '\\' || c == '@') return false;

    std::string_view rest;
    if (StartsWithNoCase(url, "http://"))
        rest = url.substr(7);
    else if (StartsWithNoCase(url, "https://"))
        rest = url.substr(8);
    else
        return false;

    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));

    std::string_view host, port;
    bool hasPort = false;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return false;
        host = authority.substr(0, close + 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return false;
            hasPort = true;
            port = after.substr(1);
        }
    } else {
        const size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string_view::npos) {
            hasPort = true;
            port = authority.substr(colon + 1);
        }
        if (!IsHostName(host)) return false;
    }
    if (hasPort && !IsPort(port)) return false;
    return HostMatches(host, domain);
}

std::string ResolveLocation(std::string_view base, std::string_view location) {
    const size_t schemeEnd = location.find(':');
    const size_t firstStop = location.find_first_of("/?#");
    // An absolute address names its own scheme before any '/', '?' or '#'.
    if (schemeEnd != std::string_view::npos && schemeEnd < firstStop) return std::string(location);

    const size_t baseScheme = base.find("://");
    if (baseScheme == std::string_view::npos) return {};
    if (location.starts_with("//")) return std::string(base.substr(0, baseScheme + 1)).append(location);
    const size_t pathStart = base.find_first_of("/?#", baseScheme + 3);
    const std::string_view origin = base.substr(0, pathStart);
    if (location.starts_with("/")) return std::string(origin).append(location);
    const std::string_view path =
        pathStart == std::string_view::npos ? std::string_view("/") : base.substr(pathStart);
    const std::string_view pathOnly = path.substr(0, path.find_first_of("?#"));
    if (location.empty() || location.front() == '#') return std::string(origin).append(pathOnly);
    if (location.front() == '?') return std::string(origin).append(pathOnly).append(location);
    const size_t lastSlash = pathOnly.rfind('/');
    const std::string_view folder =
        lastSlash == std::string_view::npos ? std::string_view("/") : pathOnly.substr(0, lastSlash + 1);
    return std::string(origin).append(folder).append(location);
}

bool IsHttpUrl(std::string_view url) {
    return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

bool IsAllowedRedirect(std::string_view from, std::string_view to, std::string_view domain) {
    if (!IsProductUrl(to, domain)) return false;
    // Leaving https for http would hand the rest of the transfer to anyone on the way.
    return !(StartsWithNoCase(from, "https://") && !StartsWithNoCase(to, "https://"));
}

} // namespace updater
