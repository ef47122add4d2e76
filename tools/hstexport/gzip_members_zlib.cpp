// Gzip members by zlib's deflate (the Windows build's backend).
#include <zlib.h>

#include "tools/hstexport/gzip_members.h"
#include "tools/hstexport/output_buffer.h"

namespace hstexport {
namespace {

constexpr int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer

class ZlibMembers : public Packer {
  public:
    explicit ZlibMembers(int level) {
        ready_ =
            deflateInit2(&stream_, level, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~ZlibMembers() override {
        if (ready_) {
            deflateEnd(&stream_);
        }
    }
    ZlibMembers(const ZlibMembers&) = delete;
    ZlibMembers& operator=(const ZlibMembers&) = delete;

    // One whole member (below 2^32 bytes: zlib counts in 32 bits), into room deflateBound
    // promises is enough for a single call.
    bool Pack(const char* data, std::size_t size, OutputBuffer& out) override {
        if (!ready_ || deflateReset(&stream_) != Z_OK) {
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

}  // namespace

std::unique_ptr<Packer> MakeGzipMembers(int level) {
    return std::make_unique<ZlibMembers>(level);
}

}  // namespace hstexport
