// gzip output as a series of independent members (RFC 1952 allows any number, and gzip, zcat,
// Python's gzip and pandas read them as one stream), so the pipeline's workers compress blocks in
// parallel.
#include "tools/hstexport/byte_sink.h"
#include "tools/hstexport/gzip_members.h"
#include "tools/hstexport/output_buffer.h"

namespace hstexport {
namespace {

class GzipSink : public ByteSink {
  public:
    GzipSink(ByteSink& next, int level) : next_(next), level_(level) {}

    // zlib counts in 32 bits: a larger piece becomes several members.
    static constexpr std::size_t kLargestMember = std::size_t{1} << 30;

    bool Write(const char* data, std::size_t size) override {
        if (size == 0) {
            return reason_.empty();
        }
        return PackHere(data, size);
    }

    std::unique_ptr<Packer> MakePacker() const override { return MakeGzipMembers(level_); }

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
        // The file's own reason (a full disk at the last flush, say) is taken over either way.
        const bool finished = next_.Finish();
        return Passed() && finished;
    }

  private:
    // What the writing thread compresses itself: the header row, one worker's output.
    bool PackHere(const char* data, std::size_t size) {
        if (!members_) {
            members_ = MakeGzipMembers(level_);  // a file whose blocks all come packed needs none
        }
        do {
            const std::size_t piece = size < kLargestMember ? size : kLargestMember;
            packed_.Clear();
            if (!members_->Pack(data, piece, packed_)) {
                reason_ = "compression failed: out of memory";
                return false;
            }
            if (!WritePacked(packed_.data(), packed_.size())) {
                return false;
            }
            data += piece;
            size -= piece;
        } while (size > 0);
        return true;
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
    std::unique_ptr<Packer> members_;
    OutputBuffer packed_;
    bool wroteMember_ = false;
};

}  // namespace

std::unique_ptr<ByteSink> MakeGzipSink(ByteSink& next, int level) {
    return std::make_unique<GzipSink>(next, level);
}

}  // namespace hstexport
