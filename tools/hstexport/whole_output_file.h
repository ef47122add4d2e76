// An output that appears whole or not at all: written to a hidden temporary file beside the
// target and renamed over it only on Commit. Dropped without Commit, or when the process is
// interrupted (SIGINT, SIGTERM), the temporary is removed and any earlier target is untouched.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

namespace hstexport {

class WholeOutputFile {
  public:
    explicit WholeOutputFile(std::string target) : target_(std::move(target)) {}
    ~WholeOutputFile() { Abandon(); }
    WholeOutputFile(const WholeOutputFile&) = delete;
    WholeOutputFile& operator=(const WholeOutputFile&) = delete;

    // Creates the temporary; false with the system's reason.
    bool Create(std::string& reason);
    std::FILE* file() const { return file_; }
    // Closes the temporary and renames it over the target; false with the reason (and the
    // temporary removed) when either fails.
    bool Commit(std::string& reason);
    void Abandon();

    // Removes the temporaries of every WholeOutputFile on SIGINT and SIGTERM, then ends the
    // process as the signal would. `maxOpen`: how many may be open at once.
    static void RemoveOnInterrupt(std::size_t maxOpen);

  private:
    void Register();
    void Unregister();

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    std::atomic<const char*>* slot_ = nullptr;
};

}  // namespace hstexport
