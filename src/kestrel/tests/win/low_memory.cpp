#include "kestrel/tests/win/low_memory.h"

namespace kestrel::test {

LowMemory::LowMemory(size_t bytes) {
    const size_t page = 4096;
    const size_t rounded = (bytes + page - 1) / page * page;
    // The system chooses high addresses in a 64-bit process; ask for low ones explicitly.
    for (UINT_PTR candidate = 0x10000000; candidate + rounded <= 0xF0000000; candidate += 0x01000000) {
        void* p = VirtualAlloc(reinterpret_cast<void*>(candidate), rounded, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p) {
            base_ = static_cast<uint8_t*>(p);
            size_ = rounded;
            return;
        }
    }
}

LowMemory::~LowMemory() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}

bool LowMemory::protect(size_t offset, size_t bytes, DWORD protection) {
    DWORD old = 0;
    return VirtualProtect(base_ + offset, bytes, protection, &old) != 0;
}

bool LowMemory::decommit(size_t offset, size_t bytes) { return VirtualFree(base_ + offset, bytes, MEM_DECOMMIT) != 0; }

} // namespace kestrel::test
