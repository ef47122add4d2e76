#include "tools/hstview/access_policy.h"

#include <algorithm>
#include <cctype>
#include <random>

namespace hstview {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value of `name` in a Cookie header ("a=1; hstview_token=..."), "" when absent.
std::string CookieValue(const std::string& header, const std::string& name) {
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find(';', start);
        if (end == std::string::npos) {
            end = header.size();
        }
        std::size_t first = start;
        while (first < end && header[first] == ' ') {
            ++first;
        }
        const std::string pair = header.substr(first, end - first);
        if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 &&
            pair[name.size()] == '=') {
            return pair.substr(name.size() + 1);
        }
        start = end + 1;
    }
    return "";
}

// Equal whatever the contents, in time that does not depend on where they differ.
bool SameSecret(const std::string& a, const std::string& b) {
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

constexpr const char* kCookieName = "hstview_token";

}  // namespace

AccessPolicy::AccessPolicy(const std::string& listenHost, unsigned short port, std::string token)
    : token_(std::move(token)) {
    std::string suffix = std::to_string(port);
    suffix.insert(suffix.begin(), ':');
    for (std::string name : {"127.0.0.1", "localhost", "[::1]"}) {
        name += suffix;
        hosts_.insert(name);
    }
    const std::string host = Lower(listenHost);
    if (host == "0.0.0.0" || host == "[::]" || host == "::") {
        anyHost_ = !token_.empty();
    } else if (!host.empty()) {
        hosts_.insert(host + suffix);
    }
}

std::string AccessPolicy::NewToken() {
    std::random_device device;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 8; ++i) {
        std::uint32_t bits = device();
        for (int d = 0; d < 4; ++d, bits >>= 4) {
            token += kDigits[bits & 15];
        }
    }
    return token;
}

bool AccessPolicy::HostAllowed(const std::string& host) const {
    return !host.empty() && (anyHost_ || hosts_.count(Lower(host)) != 0);
}

bool AccessPolicy::TokenAccepted(const std::string& queryToken, const std::string& cookie) const {
    if (token_.empty()) {
        return true;
    }
    return SameSecret(queryToken, token_) || SameSecret(CookieValue(cookie, kCookieName), token_);
}

std::string AccessPolicy::TokenCookie() const {
    std::string cookie = kCookieName;
    cookie += '=';
    cookie += token_;
    cookie += "; Path=/; HttpOnly; SameSite=Strict";
    return cookie;
}

}  // namespace hstview
