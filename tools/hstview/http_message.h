// A request and a response as the viewer's handler sees them: plain values, no sockets, so that
// every answer the server gives can be tested without one.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hstview {

struct HttpRequest {
    std::string method;  // "GET", "HEAD", ...
    std::string target;  // path and query, as sent: "/api/series?tags=a&..."
    std::string host;    // the Host header; "" when missing
    std::string cookie;  // the Cookie header; "" when missing
};

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // beyond the ones every answer has

    // The value of a header set here, "" when none.
    std::string Header(const std::string& name) const;
};

}  // namespace hstview
