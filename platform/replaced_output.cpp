#include "platform/replaced_output.h"

#include <utility>

#include "platform/file_services.h"

namespace trendtab {

ReplacedOutput::ReplacedOutput(std::string target, Mode mode)
    : target_(std::move(target)), mode_(mode) {}

ReplacedOutput::~ReplacedOutput() {
    Discard();
}

bool ReplacedOutput::Open() {
    written_ = platform::LinkedFile(target_);
    const bool text = mode_ == Mode::Text;
    if (platform::IsSpecialFile(written_)) {
        file_ = std::fopen(written_.c_str(), text ? "wt" : "wb");
    } else if (platform::MayCreate(written_)) {
        file_ = platform::CreateTemporaryBeside(written_, text, temporary_);
        if (file_) {
            platform::RegisterTemporary(temporary_);
        }
    }
    opened_ = file_ != nullptr;
    return opened_;
}

std::FILE* ReplacedOutput::Release() {
    return std::exchange(file_, nullptr);
}

bool ReplacedOutput::Close() {
    if (file_) {
        const bool streamFailed = std::ferror(file_) != 0;
        if (std::fclose(std::exchange(file_, nullptr)) != 0 || streamFailed) {
            failed_ = true;
        }
    }
    return opened_ && !failed_;
}

bool ReplacedOutput::Commit() {
    if (!Close()) {
        Discard();
        return false;
    }
    if (temporary_.empty()) {
        return true;  // written in place
    }
    // An interruption between the rename and the unregistering would remove nothing that
    // matters, but one before the rename must still find the temporary registered.
    const platform::InterruptionHold hold;
    if (!platform::RenameOver(temporary_, written_)) {
        Discard();
        return false;
    }
    platform::UnregisterTemporary(temporary_);
    temporary_.clear();
    return true;
}

void ReplacedOutput::Discard() {
    if (file_) {
        std::fclose(std::exchange(file_, nullptr));
    }
    if (!temporary_.empty()) {
        platform::RemoveFile(temporary_);
        platform::UnregisterTemporary(temporary_);
        temporary_.clear();
    }
    failed_ = true;
}

}  // namespace trendtab
