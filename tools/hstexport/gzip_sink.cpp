// gzip output as a series of independent members (RFC 1952 allows any number, and gzip, zcat,
// Python's gzip and pandas read them as one stream), so the pipeline's workers compress blocks in
// parallel; backed by zlib's deflate.
#include <zlib.h>

#include <optional>

#include "tools/hstexport/byte_sink.h"
#include "tools/hstexport/output_buffer.h"

namespace hstexport {
namespace {

constexpr int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer

// zlib counts in 32 bits: a larger piece becomes several members.
constexpr std::size_t kLargestMember = std::size_t{1} << 30;

class GzipMembers : public Packer {
  public:
    explicit GzipMembers(int level) {
        ready_ =
            deflateInit2(&stream_, level, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~GzipMembers() override {
        if (ready_) {
            deflateEnd(&stream_);
        }
    }
    GzipMembers(const GzipMembers&) = delete;
    GzipMembers& operator=(const GzipMembers&) = delete;

    bool Pack(const char* data, std::size_t size, OutputBuffer& out) override {
        if (!ready_) {
            return false;
        }
        do {
            const std::size_t piece = size < kLargestMember ? size : kLargestMember;
            if (!PackMember(data, piece, out)) {
                return false;
            }
            data += piece;
            size -= piece;
        } while (size > 0);
        return true;
    }

  private:
    // One whole member, into room deflateBound promises is enough for a single call.
    bool PackMember(const char* data, std::size_t size, OutputBuffer& out) {
        if (deflateReset(&stream_) != Z_OK) {
            return false;
        }
        const std::size_t bound = deflateBound(&stream_, static_cast<uLong>(size));
        char* room = out.Room(bound);
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream_.avail_in = static_cast<uInt>(size);
        stream_.next_out = reinterpret_cast<Bytef*>(room);
        stream_.avail_out = static_cast<uInt>(bound);
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) {
            return false;
        }
        out.Advance(room + (bound - stream_.avail_out));
        return true;
    }

    z_stream stream_{};
    bool ready_ = false;
};

class GzipSink : public ByteSink {
  public:
    GzipSink(ByteSink& next, int level) : next_(next), level_(level) {}

    bool Write(const char* data, std::size_t size) override {
        if (size == 0) {
            return reason_.empty();
        }
        return PackHere(data, size);
    }

    std::unique_ptr<Packer> MakePacker() const override {
        return std::make_unique<GzipMembers>(level_);
    }

    bool WritePacked(const char* data, std::size_t size) override {
        if (!reason_.empty()) {
            return false;
        }
        wroteMember_ = true;
        next_.Write(data, size);
        return Passed();
    }

    bool Finish() override {
        // A stream of no member at all is not a gzip file: an empty output is one empty member.
        if (!wroteMember_ && !PackHere(nullptr, 0)) {
            return false;
        }
        return next_.Finish() && Passed();
    }

  private:
    // What the writing thread compresses itself: the header row, one worker's output.
    bool PackHere(const char* data, std::size_t size) {
        if (!members_) {
            members_.emplace(level_);  // a file whose blocks all come packed never needs one
        }
        packed_.Clear();
        if (!members_->Pack(data, size, packed_)) {
            reason_ = "compression failed: out of memory";
            return false;
        }
        return WritePacked(packed_.data(), packed_.size());
    }

    bool Passed() {
        bytesOut_ = next_.bytesOut();
        if (!next_.reason().empty()) {
            reason_ = next_.reason();
        }
        return reason_.empty();
    }

    ByteSink& next_;
    int level_;
    std::optional<GzipMembers> members_;
    OutputBuffer packed_;
    bool wroteMember_ = false;
};

}  // namespace

std::unique_ptr<ByteSink> MakeGzipSink(ByteSink& next, int level) {
    return std::make_unique<GzipSink>(next, level);
}

}  // namespace hstexport
