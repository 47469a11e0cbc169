#include "kestrel/win/win32_file_system.h"

#include <windows.h>

#include <algorithm>

#include "kestrel/win/win_handles.h"

namespace kestrel::win {
namespace {

// WriteFile takes a DWORD count; large strips go in pieces.
constexpr size_t kWriteChunk = size_t{1} << 24;

class Win32OutputFile : public OutputFile {
public:
    Win32OutputFile(UniqueFile file, std::string name) : file_(std::move(file)), name_(std::move(name)) {}

    ~Win32OutputFile() override {
        if (!file_) return;
        file_.reset();
        DeleteFileA(name_.c_str());
    }

    bool write(ConstByteSpan bytes) override {
        if (!file_) return false;
        size_t done = 0;
        while (done < bytes.size) {
            const DWORD piece = static_cast<DWORD>(std::min(bytes.size - done, kWriteChunk));
            DWORD written = 0;
            if (!WriteFile(file_.get(), bytes.data + done, piece, &written, nullptr) || written != piece) return false;
            done += piece;
        }
        return true;
    }

    bool commit() override {
        if (!file_) return false;
        if (file_.reset()) return true;
        DeleteFileA(name_.c_str());
        return false;
    }

private:
    UniqueFile file_;
    std::string name_;
};

} // namespace

std::unique_ptr<OutputFile> Win32FileSystem::create(const std::string& name) {
    UniqueFile file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32OutputFile>(std::move(file), name);
}

} // namespace kestrel::win
