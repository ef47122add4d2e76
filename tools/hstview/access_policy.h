// Who may talk to the viewer: requests must name one of its own hosts (a page of another site
// that rebinds its name to this address is refused), and, when it listens beyond the loopback,
// carry the token printed at start (in the address once, then in a cookie).
#pragma once

#include <set>
#include <string>

#include "tools/hstview/http_message.h"

namespace hstview {

class AccessPolicy {
  public:
    // `listenHost` as given to --listen ("127.0.0.1", "0.0.0.0", "plant-pc", "[::]", ...);
    // `token` "" for none.
    AccessPolicy(const std::string& listenHost, unsigned short port, std::string token);

    // A random token of 32 hexadecimal digits.
    static std::string NewToken();

    bool HostAllowed(const std::string& host) const;
    // The token from the query (`queryToken`) or the cookie; true when none is needed.
    bool TokenAccepted(const std::string& queryToken, const std::string& cookie) const;
    const std::string& token() const { return token_; }
    // The cookie that carries the token from now on.
    std::string TokenCookie() const;

  private:
    std::set<std::string> hosts_;  // "name:port", lower case
    bool anyHost_ = false;         // a wildcard address: any name, the token guards
    std::string token_;
};

}  // namespace hstview
