#include "whole_output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

namespace hstexport {
namespace {

namespace fs = std::filesystem;

// The temporaries open now, for the signal handler: one slot each, set and cleared atomically.
std::atomic<const char*>* g_slots = nullptr;
std::size_t g_slotCount = 0;

extern "C" void RemoveTemporariesAndDie(int signal) {
    for (std::size_t i = 0; i < g_slotCount; ++i) {
        if (const char* path = g_slots[i].exchange(nullptr)) {
            std::remove(path);
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string UniqueSuffix() {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}() * 0x9E3779B97F4A7C15ULL;
    const std::uint64_t value = seed ^ (++counter * 0xBF58476D1CE4E5B9ULL);
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

void WholeOutputFile::RemoveOnInterrupt(std::size_t maxOpen) {
    g_slotCount = maxOpen;
    g_slots = new std::atomic<const char*>[maxOpen]();  // lives as long as the process
    std::signal(SIGINT, RemoveTemporariesAndDie);
    std::signal(SIGTERM, RemoveTemporariesAndDie);
}

void WholeOutputFile::Register() {
    for (std::size_t i = 0; i < g_slotCount; ++i) {
        const char* expected = nullptr;
        if (g_slots[i].compare_exchange_strong(expected, temporary_.c_str())) {
            slot_ = &g_slots[i];
            return;
        }
    }
}

void WholeOutputFile::Unregister() {
    if (slot_) {
        slot_->store(nullptr);
        slot_ = nullptr;
    }
}

bool WholeOutputFile::Create(std::string& reason) {
    const fs::path target(target_);
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        std::string name(1, '.');
        name.append(target.filename().string()).append(1, '.');
        name.append(UniqueSuffix()).append(".part");
        const fs::path temporary = target.parent_path() / name;
        std::error_code error;
        if (fs::exists(temporary, error)) {
            continue;
        }
        temporary_ = temporary.string();
        Register();
        errno = 0;
        file_ = std::fopen(temporary_.c_str(), "wb");
        if (!file_) {
            Unregister();
            reason = "cannot create " + temporary_ + ": " + Reason(errno != 0 ? errno : EACCES);
            return false;
        }
    }
    if (!file_) {
        reason = "cannot create a temporary file beside " + target_;
    }
    return file_ != nullptr;
}

bool WholeOutputFile::Commit(std::string& reason) {
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) {
        reason = "write error: " + Reason(errno != 0 ? errno : EIO);
        Abandon();
        return false;
    }
    std::error_code error;
    fs::rename(temporary_, target_, error);
    if (error) {
        reason = "cannot replace " + target_ + ": " + error.message();
        Abandon();
        return false;
    }
    Unregister();
    temporary_.clear();
    return true;
}

void WholeOutputFile::Abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        Unregister();
        temporary_.clear();
    }
}

}  // namespace hstexport
