// Pages below 4 GB, where 32-bit address fields can name them, with control over their protection
// so that tests can hand the library memory it must refuse.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kestrel::test {

class LowMemory {
public:
    // Reserves `bytes` (rounded to whole pages) below 4 GB and commits them read-write.
    explicit LowMemory(size_t bytes);
    LowMemory(const LowMemory&) = delete;
    LowMemory& operator=(const LowMemory&) = delete;
    ~LowMemory();

    bool valid() const { return base_ != nullptr; }
    uint8_t* data() const { return base_; }
    size_t size() const { return size_; }
    uint32_t address(const void* p) const { return static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(p)); }
    uint32_t address(size_t offset) const { return address(base_ + offset); }

    // Changes the protection of the pages covering [offset, offset + bytes).
    bool protect(size_t offset, size_t bytes, DWORD protection);
    // Gives the pages covering [offset, offset + bytes) back, leaving them reserved.
    bool decommit(size_t offset, size_t bytes);

private:
    uint8_t* base_ = nullptr;
    size_t size_ = 0;
};

} // namespace kestrel::test
