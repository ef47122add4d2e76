// The viewer's HTTP server: one session per connection, requests read with bounded header and body
// sizes, each answered by a handler that knows nothing of sockets. SIGINT and SIGTERM stop it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tools/hstview/http_message.h"

namespace hstview {

struct ServerLimits {
    std::size_t headerBytes = 8 * 1024;
    std::size_t bodyBytes = 1024;
    std::size_t connections = 64;  // more are closed at once
    unsigned threads = 4;          // requests answered at once
    int idleSeconds = 30;
};

class HttpServer {
  public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    // Binds `address`:`port` (port 0: a free one); throws std::exception when it cannot.
    HttpServer(const std::string& address, unsigned short port, Handler handler,
               ServerLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    unsigned short port() const;
    // Serves until Stop(), SIGINT or SIGTERM.
    void Run();
    // From any thread.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace hstview
