// Backed by Boost.Beast and Boost.Asio (header-only).
#include "tools/hstview/http_server.h"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <optional>
#include <thread>
#include <vector>

namespace hstview {

namespace beast = boost::beast;
namespace http = beast::http;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(tcp::socket&& socket, const HttpServer::Handler& handler, const ServerLimits& limits,
            std::atomic<std::size_t>& open)
        : stream_(std::move(socket)), handler_(handler), limits_(limits), open_(open) {}
    ~Session() { --open_; }

    void Start() {
        asio::dispatch(stream_.get_executor(),
                       beast::bind_front_handler(&Session::Read, shared_from_this()));
    }

  private:
    void Read() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.headerBytes));
        parser_->body_limit(limits_.bodyBytes);
        stream_.expires_after(std::chrono::seconds(limits_.idleSeconds));
        http::async_read(stream_, buffer_, *parser_,
                         beast::bind_front_handler(&Session::OnRead, shared_from_this()));
    }

    void OnRead(beast::error_code error, std::size_t) {
        if (error == http::error::end_of_stream) {
            Close();
            return;
        }
        if (error) {
            if (error == http::error::header_limit || error == http::error::body_limit) {
                Reply(Plain(http::status::payload_too_large, "request too large"), false);
            }
            return;
        }
        const auto& message = parser_->get();
        HttpRequest request;
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
        request.host = std::string(message[http::field::host]);
        request.cookie = std::string(message[http::field::cookie]);
        const HttpResponse answer = handler_(request);
        auto response = std::make_shared<http::response<http::string_body>>();
        response->version(message.version());
        response->result(static_cast<unsigned>(answer.status));
        response->set(http::field::server, "hstview");
        if (!answer.contentType.empty()) {
            response->set(http::field::content_type, answer.contentType);
        }
        bool lengthSet = false;
        for (const auto& [name, value] : answer.headers) {
            response->insert(name, value);
            lengthSet = lengthSet || name == "Content-Length";
        }
        response->body() = answer.body;
        if (!lengthSet) {
            response->prepare_payload();
        }
        Reply(response, message.keep_alive());
    }

    std::shared_ptr<http::response<http::string_body>> Plain(http::status status,
                                                             const std::string& text) {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->set(http::field::content_type, "text/plain");
        response->body() = text;
        response->prepare_payload();
        return response;
    }

    void Reply(std::shared_ptr<http::response<http::string_body>> response, bool keepAlive) {
        response->keep_alive(keepAlive);
        http::async_write(
            stream_, *response,
            [self = shared_from_this(), response, keepAlive](beast::error_code error, std::size_t) {
                if (error || !keepAlive) {
                    self->Close();
                    return;
                }
                self->Read();
            });
    }

    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    const HttpServer::Handler& handler_;
    const ServerLimits& limits_;
    std::atomic<std::size_t>& open_;
};

}  // namespace

struct HttpServer::Impl {
    Impl(const std::string& address, unsigned short port, Handler handler, ServerLimits limits)
        : handler(std::move(handler)),
          limits(limits),
          io(static_cast<int>(limits.threads)),
          acceptor(asio::make_strand(io)),
          signals(io, SIGINT, SIGTERM) {
        const tcp::endpoint endpoint(asio::ip::make_address(address), port);
        acceptor.open(endpoint.protocol());
        acceptor.set_option(asio::socket_base::reuse_address(true));
        acceptor.bind(endpoint);
        acceptor.listen(asio::socket_base::max_listen_connections);
        signals.async_wait([this](beast::error_code, int) { io.stop(); });
        Accept();
    }

    void Accept() {
        acceptor.async_accept(asio::make_strand(io), [this](beast::error_code error,
                                                            tcp::socket socket) {
            if (!error) {
                if (open.load() >= limits.connections) {
                    beast::error_code ignored;
                    socket.close(ignored);  // too many at once: the client may try again
                } else {
                    ++open;
                    std::make_shared<Session>(std::move(socket), handler, limits, open)->Start();
                }
            }
            if (acceptor.is_open()) {
                Accept();
            }
        });
    }

    // Sessions refer to the first three: they go last, after the context's pending sessions.
    Handler handler;
    ServerLimits limits;
    std::atomic<std::size_t> open{0};
    asio::io_context io;
    tcp::acceptor acceptor;
    asio::signal_set signals;
};

HttpServer::HttpServer(const std::string& address, unsigned short port, Handler handler,
                       ServerLimits limits)
    : impl_(std::make_unique<Impl>(address, port, std::move(handler), limits)) {}

HttpServer::~HttpServer() = default;

unsigned short HttpServer::port() const {
    return impl_->acceptor.local_endpoint().port();
}

void HttpServer::Run() {
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < impl_->limits.threads; ++i) {
        threads.emplace_back([this] { impl_->io.run(); });
    }
    impl_->io.run();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void HttpServer::Stop() {
    impl_->io.stop();
}

}  // namespace hstview
