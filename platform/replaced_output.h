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
// A target that is a device or a pipe (/dev/null, say) cannot be replaced: it is written in
// place, as a plain create would. A target reached through a symbolic link replaces the file the
// link leads to, so the link stays.
#pragma once

#include <cstdio>
#include <string>

namespace trendtab {

class ReplacedOutput {
  public:
    enum class Mode { Text, Binary };  // Text: CR LF line ends on Windows

    ReplacedOutput(std::string target, Mode mode);
    ~ReplacedOutput();  // removes the temporary unless committed
    ReplacedOutput(const ReplacedOutput&) = delete;
    ReplacedOutput& operator=(const ReplacedOutput&) = delete;

    // Checks that this user may create or replace the target (not a folder, not a read-only
    // file, a folder that takes new files) and creates the temporary. False when either fails.
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

  private:
    std::string target_;     // the name given, for messages
    std::string written_;    // the file the temporary replaces (the link's file for a link)
    std::string temporary_;  // empty when writing in place or after Commit/Discard
    Mode mode_;
    std::FILE* file_ = nullptr;
    bool opened_ = false;
    bool failed_ = false;
};

}  // namespace trendtab
