// hstview: serves a web page that charts a whole archive of history files, and its query API.
//
// Exit status: 0 after SIGINT or SIGTERM, 1 when the address cannot be bound, 2 for a bad
// command line.
#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

#include "history/archive.h"
#include "history/summary_cache.h"
#include "platform/cache_folder.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstview/http_server.h"
#include "tools/hstview/open_browser.h"
#include "tools/hstview/request_handler.h"
#include "trendtab/version.h"

namespace {

using namespace hstview;

struct ViewerOptions {
    unsigned short port = 8470;
    std::string listen;  // ADDR:PORT
    bool noToken = false;
    bool open = false;
    std::size_t memoryMiB = 256;
    std::uint64_t cacheMiB = 1024;
    std::vector<std::string> inputs;
};

// "ADDR:PORT", "[v6]:PORT": the address and port; false when malformed.
bool SplitListen(const std::string& text, std::string& address, unsigned short& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return false;
    }
    address = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(digits) > 65535) {
        return false;
    }
    port = static_cast<unsigned short>(std::stoul(digits));
    if (address.size() > 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    return true;
}

std::vector<std::string> DiscoverPaths(const std::vector<std::string>& inputs, bool report) {
    const hstexport::Discovery discovery = hstexport::DiscoverInputs(inputs, true);
    if (report) {
        for (const auto& [argument, reason] : discovery.problems) {
            std::fprintf(stderr, "hstview: %s: %s\n", argument.c_str(), reason.c_str());
        }
    }
    std::vector<std::string> paths;
    for (const hstexport::InputFile& file : discovery.files) {
        paths.push_back(file.path);
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    ViewerOptions options;
    CLI::App app{"Serves a web page that charts trend history files: any tag, any range.",
                 "hstview"};
    app.add_option("PATH", options.inputs, "History files, folders (searched below) or patterns")
        ->required();
    app.add_option("--port", options.port, "Port on 127.0.0.1 (0: a free one)")
        ->capture_default_str();
    app.add_option("--listen", options.listen,
                   "Listen on ADDR:PORT instead (then a token is asked for)");
    app.add_flag("--no-token", options.noToken, "With --listen: ask for no token");
    app.add_flag("--open", options.open, "Open the page in the web browser");
    app.add_option("--memory", options.memoryMiB, "MiB the file summaries may hold")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20));
    app.add_option("--cache-size", options.cacheMiB,
                   "MiB of summaries kept in the user's cache folder (0: none)")
        ->capture_default_str()
        ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1} << 30));
    app.set_version_flag("--version", std::string("hstview ") + trendtab::kVersion);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }

    std::string address = "127.0.0.1";
    unsigned short port = options.port;
    if (!options.listen.empty() && !SplitListen(options.listen, address, port)) {
        std::fprintf(stderr, "hstview: --listen: ADDR:PORT, e.g. 0.0.0.0:8470\n");
        return 2;
    }
    const bool needsToken = !options.listen.empty() && !options.noToken;

    const std::string cacheFolder = trendtab::platform::UserCacheFolder();
    std::shared_ptr<const trendtab::SummaryCache> cache;
    if (options.cacheMiB > 0 && !cacheFolder.empty()) {
        cache = std::make_shared<trendtab::SummaryCache>(cacheFolder, options.cacheMiB << 20);
    }
    trendtab::Archive archive(options.memoryMiB << 20, cache);
    archive.Refresh(DiscoverPaths(options.inputs, true));

    try {
        std::unique_ptr<AccessPolicy> access;
        std::unique_ptr<ViewerState> state;
        std::unique_ptr<HttpServer> server;
        const std::string token = needsToken ? AccessPolicy::NewToken() : "";
        server = std::make_unique<HttpServer>(address, port, [&](const HttpRequest& request) {
            return HandleRequest(request, *state);
        });
        port = server->port();
        const std::string shownHost =
            address.find(':') != std::string::npos ? "[" + address + "]" : address;
        access =
            std::make_unique<AccessPolicy>(options.listen.empty() ? "" : shownHost, port, token);
        state = std::make_unique<ViewerState>(
            ViewerState{archive, *access, options.inputs, options.memoryMiB << 20});

        std::string url = "http://" + shownHost + ":" + std::to_string(port) + "/";
        if (!token.empty()) {
            url += "?token=" + token;
        }
        std::printf("hstview: %zu files, %zu tags: %s\n", archive.Files().size(),
                    archive.Tags().size(), url.c_str());
        std::fflush(stdout);
        if (options.open) {
            OpenInBrowser(url);
        }

        // New, grown, changed and removed files are followed about every second.
        std::mutex mutex;
        std::condition_variable wake;
        bool stopping = false;
        std::thread watcher([&] {
            std::unique_lock<std::mutex> lock(mutex);
            while (!wake.wait_for(lock, std::chrono::seconds(1), [&] { return stopping; })) {
                lock.unlock();
                archive.Refresh(DiscoverPaths(options.inputs, false));
                lock.lock();
            }
        });
        server->Run();
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        watcher.join();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hstview: %s:%u: %s\n", address.c_str(), port, error.what());
        return 1;
    }
    return 0;
}
