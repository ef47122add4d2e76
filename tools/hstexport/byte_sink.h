// Where an export's bytes go: an open file (or standard output), or gzip members in front of
// one. A failure is remembered with the system's reason.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace hstexport {

class OutputBuffer;

// What a sink does to its bytes (compression), done elsewhere: each of the pipeline's workers
// packs its own blocks with one, and the writer hands the packed bytes to WritePacked.
class Packer {
  public:
    virtual ~Packer() = default;
    // Appends the packed form of the bytes to `out`; false when out of memory.
    virtual bool Pack(const char* data, std::size_t size, OutputBuffer& out) = 0;
};

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
    // A packer for bytes this sink would transform; none when it writes them as they are.
    virtual std::unique_ptr<Packer> MakePacker() const { return nullptr; }
    // Bytes one of this sink's packers made.
    virtual bool WritePacked(const char* data, std::size_t size) { return Write(data, size); }
    // Writes out everything still held; false when anything failed.
    virtual bool Finish() = 0;
    const std::string& reason() const { return reason_; }
    // Bytes that reached the file.
    std::uint64_t bytesOut() const { return bytesOut_; }

  protected:
    std::string reason_;
    std::uint64_t bytesOut_ = 0;
};

class FileSink : public ByteSink {
  public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool Write(const char* data, std::size_t size) override;
    bool Finish() override;

  private:
    std::FILE* file_;
};

// Compresses into `next` in the gzip format, at zlib's `level` (0 to 9): each write, and each
// packer's block, an independent member.
std::unique_ptr<ByteSink> MakeGzipSink(ByteSink& next, int level);

}  // namespace hstexport
