// An output that replaces its target whole or not at all. The content is written to a hidden
// temporary in the target's folder (with the permissions a plain create would give the target);
// Commit() renames it over the target in one step. Until then the target is untouched: a failure,
// an early return or an interruption of the process (the temporary is registered with the
// platform's interruption guard) removes the temporary and leaves any earlier target as it was.
//
//   ReplacedOutput out("data.csv", ReplacedOutput::Mode::Binary);
//   if (!out.Open()) ...                  // "could not create"
//   std::fputs("...", out.file());        // write through the FILE*
//   if (!out.Close()) ...                 // "could not write": Commit() is then refused
//   if (!out.Commit()) ...                // "could not create": the target stays as it was
//
// The target is never opened: a symbolic link at its name is replaced by the new file (what it
// led to is untouched), and a folder, device, pipe or socket there refuses Open().
#pragma once

#include <cstdio>
#include <string>

#include "platform/temporary_file.h"

namespace trendtab {

class ReplacedOutput {
  public:
    enum class Mode { Text, Binary };  // Text: CR LF line ends on Windows

    ReplacedOutput(std::string target, Mode mode);
    ~ReplacedOutput();  // removes the temporary unless committed
    ReplacedOutput(const ReplacedOutput&) = delete;
    ReplacedOutput& operator=(const ReplacedOutput&) = delete;

    // Checks that this user may create or replace the target (nothing, a link or a writable
    // regular file there, a folder that takes new files) and creates the temporary, registered
    // with the interruption guard. False when either fails.
    bool Open();

    // The stream to write to; null before a successful Open() and after Close().
    std::FILE* file() const { return file_; }
    // Hands the stream over to be closed by someone else (Close() then only reports).
    std::FILE* Release();

    // Closes the stream. False when the close or an earlier write (the stream's error flag)
    // failed; the output is then spoiled and Commit() refuses it.
    bool Close();
    // Records a write failure noticed by the writer (the stream closed elsewhere, say).
    void MarkFailed() { failed_ = true; }

    // Renames the temporary over the target (closing it first). False when the output is spoiled
    // or the rename failed; the target is then as it was, and the temporary gone.
    bool Commit();
    // Removes the temporary now; the target stays as it was.
    void Discard();

    const std::string& target() const { return target_; }
    // The temporary the content goes to, by a name a writer that opens files itself can use
    // (Close() the stream first, Commit() after; the name reaches the same file).
    std::string path() const { return platform::TemporaryPath(temporary_); }

  private:
    std::string target_;  // the name given, for messages
    platform::Temporary temporary_;
    bool pending_ = false;  // a temporary exists: not yet committed or discarded
    Mode mode_;
    std::FILE* file_ = nullptr;
    bool opened_ = false;
    bool failed_ = false;
};

}  // namespace trendtab
