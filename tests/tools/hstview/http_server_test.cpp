// The server on the loopback: 50 clients at once, each with several requests on one connection,
// all answered in full; an oversized request refused; Stop ends Run.
#include "tools/hstview/http_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <thread>

#include "tools/hstview/request_handler.h"

namespace hstview {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;

const std::string kExamples = HSTVIEW_EXAMPLES_DIR;

TEST(ViewerServer, FiftyClientsAtOnceAreAllAnswered) {
    trendtab::Archive archive(16 << 20);
    archive.Refresh({kExamples + "/compact.hst", kExamples + "/wide.hst"});
    std::unique_ptr<AccessPolicy> access;
    std::unique_ptr<ViewerState> state;
    HttpServer server("127.0.0.1", 0,
                      [&](const HttpRequest& request) { return HandleRequest(request, *state); });
    const unsigned short port = server.port();
    access = std::make_unique<AccessPolicy>("", port, "");
    state = std::make_unique<ViewerState>(ViewerState{archive, *access, {kExamples}});
    std::thread serving([&] { server.Run(); });

    constexpr int kClients = 50;
    constexpr int kRequests = 8;
    std::atomic<int> answered{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> clients;
    const std::string host = "127.0.0.1:" + std::to_string(port);
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            try {
                asio::io_context io;
                beast::tcp_stream stream(io);
                stream.expires_after(std::chrono::seconds(30));
                stream.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
                for (int r = 0; r < kRequests; ++r) {
                    const std::string target =
                        (c + r) % 2 == 0
                            ? "/api/series?tags=Tank1,Tank2&from=1299225600&to=1299226200&width=" +
                                  std::to_string(100 + c)
                            : "/api/tags";
                    http::request<http::empty_body> request(http::verb::get, target, 11);
                    request.set(http::field::host, host);
                    http::write(stream, request);
                    beast::flat_buffer buffer;
                    http::response<http::string_body> response;
                    http::read(stream, buffer, response);
                    if (response.result_int() == 200 && response.body().size() > 10) {
                        ++answered;
                    } else {
                        ++failed;
                    }
                }
            } catch (const std::exception&) {
                ++failed;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(answered, kClients * kRequests);
    EXPECT_EQ(failed, 0);

    // A header larger than the limit: refused, and the server still answers after it.
    {
        asio::io_context io;
        beast::tcp_stream stream(io);
        stream.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
        http::request<http::empty_body> request(http::verb::get, "/api/files", 11);
        request.set(http::field::host, host);
        request.set("X-Padding", std::string(20 * 1024, 'x'));
        beast::error_code error;
        http::write(stream, request, error);
        beast::flat_buffer buffer;
        http::response<http::string_body> response;
        http::read(stream, buffer, response, error);
        EXPECT_TRUE(error || response.result_int() == 413);
    }
    server.Stop();
    serving.join();
}

}  // namespace
}  // namespace hstview
