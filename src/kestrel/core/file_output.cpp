#include "kestrel/core/file_output.h"

namespace kestrel {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class StdioOutputFile : public OutputFile {
public:
    StdioOutputFile(FilePtr file, std::string name) : file_(std::move(file)), name_(std::move(name)) {}

    ~StdioOutputFile() override {
        if (!file_) return;
        file_.reset();
        std::remove(name_.c_str());
    }

    bool write(ConstByteSpan bytes) override {
        return file_ && std::fwrite(bytes.data, 1, bytes.size, file_.get()) == bytes.size;
    }

    bool commit() override {
        if (!file_) return false;
        const bool flushed = std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
        const bool closed = std::fclose(file_.release()) == 0;
        if (flushed && closed) return true;
        std::remove(name_.c_str());
        return false;
    }

private:
    FilePtr file_;
    std::string name_;
};

} // namespace

std::unique_ptr<OutputFile> StdioFileSystem::create(const std::string& name) {
    FilePtr file(std::fopen(name.c_str(), "wb"));
    if (!file) return nullptr;
    return std::make_unique<StdioOutputFile>(std::move(file), name);
}

} // namespace kestrel
