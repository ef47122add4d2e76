// Gzip members by libdeflate, which compresses a whole buffer at once.
#include <libdeflate.h>

#include "tools/hstexport/gzip_members.h"
#include "tools/hstexport/output_buffer.h"

namespace hstexport {
namespace {

class LibdeflateMembers : public Packer {
  public:
    explicit LibdeflateMembers(int level) : compressor_(libdeflate_alloc_compressor(level)) {}
    ~LibdeflateMembers() override { libdeflate_free_compressor(compressor_); }
    LibdeflateMembers(const LibdeflateMembers&) = delete;
    LibdeflateMembers& operator=(const LibdeflateMembers&) = delete;

    bool Pack(const char* data, std::size_t size, OutputBuffer& out) override {
        if (compressor_ == nullptr) {
            return false;
        }
        const std::size_t bound = libdeflate_gzip_compress_bound(compressor_, size);
        char* room = out.Room(bound);
        const std::size_t packed = libdeflate_gzip_compress(compressor_, data, size, room, bound);
        out.Advance(room + packed);
        return packed > 0;
    }

  private:
    libdeflate_compressor* compressor_;
};

}  // namespace

std::unique_ptr<Packer> MakeGzipMembers(int level) {
    return std::make_unique<LibdeflateMembers>(level);
}

}  // namespace hstexport
