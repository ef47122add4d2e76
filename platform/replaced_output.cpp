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
    // Never opened: a FIFO would block, a device or a link's file is no output of ours.
    if (platform::MayCreate(target_) &&
        platform::CreateTemporaryBeside(target_, mode_ == Mode::Text, temporary_)) {
        file_ = std::exchange(temporary_.file, nullptr);
        pending_ = true;
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
    if (!pending_) {
        return false;
    }
    pending_ = false;
    // An interruption between the rename and the unregistering would remove nothing that
    // matters, but one before the rename must still find the temporary registered.
    const platform::InterruptionHold hold;
    return platform::PlaceTemporary(temporary_, target_);
}

void ReplacedOutput::Discard() {
    if (file_) {
        std::fclose(std::exchange(file_, nullptr));
    }
    if (pending_) {
        platform::DropTemporary(temporary_);
        pending_ = false;
    }
    failed_ = true;
}

}  // namespace trendtab
