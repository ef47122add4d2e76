// The gzip stream, backed by zlib's deflate.
#include <zlib.h>

#include <vector>

#include "tools/hstexport/byte_sink.h"

namespace hstexport {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer

class GzipSink : public ByteSink {
  public:
    explicit GzipSink(ByteSink& next) : next_(next), out_(kChunk) {
        if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindow, 8,
                         Z_DEFAULT_STRATEGY) == Z_OK) {
            ready_ = true;
        } else {
            reason_ = "compression could not start: out of memory";
        }
    }
    ~GzipSink() override {
        if (ready_) {
            deflateEnd(&stream_);
        }
    }
    GzipSink(const GzipSink&) = delete;
    GzipSink& operator=(const GzipSink&) = delete;

    bool Write(const char* data, std::size_t size) override {
        while (size > 0) {
            // zlib counts in 32 bits.
            const std::size_t piece = size < (1u << 30) ? size : (1u << 30);
            if (!Deflate(data, piece, Z_NO_FLUSH)) {
                return false;
            }
            data += piece;
            size -= piece;
        }
        return true;
    }

    bool Finish() override { return Deflate(nullptr, 0, Z_FINISH) && next_.Finish() && Passed(); }

  private:
    bool Passed() {
        bytesOut_ = next_.bytesOut();
        if (!next_.reason().empty()) {
            reason_ = next_.reason();
        }
        return reason_.empty();
    }

    bool Deflate(const char* data, std::size_t size, int flush) {
        if (!ready_ || !reason_.empty()) {
            return false;
        }
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream_.avail_in = static_cast<uInt>(size);
        int status;
        do {
            stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
            stream_.avail_out = static_cast<uInt>(out_.size());
            status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR) {
                reason_ = "compression failed";
                return false;
            }
            const std::size_t produced = out_.size() - stream_.avail_out;
            if (produced > 0 && !next_.Write(out_.data(), produced)) {
                return Passed();
            }
        } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        return Passed();
    }

    ByteSink& next_;
    z_stream stream_{};
    std::vector<char> out_;
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<ByteSink> MakeGzipSink(ByteSink& next) {
    return std::make_unique<GzipSink>(next);
}

}  // namespace hstexport
