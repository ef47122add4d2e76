// Where an export's bytes go: an open file (or standard output), or zlib's gzip stream in front
// of one. A failure is remembered with the system's reason.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace hstexport {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
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

// Compresses into `next` in the gzip format.
std::unique_ptr<ByteSink> MakeGzipSink(ByteSink& next);

}  // namespace hstexport
