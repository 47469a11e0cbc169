#include "kestrel/win/process_memory.h"

#include <windows.h>

namespace kestrel::win {
namespace {

bool protectionAllows(DWORD protect, Access access) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    const DWORD base = protect & 0xFF; // without the caching modifiers
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const DWORD readable = writable | PAGE_READONLY | PAGE_EXECUTE_READ;
    return (base & (access == Access::ReadWrite ? writable : readable)) != 0;
}

// Walks the regions that cover [first, end) and accepts them only if all are usable.
bool spanIsAccessible(UINT_PTR first, UINT_PTR end, Access access) {
    UINT_PTR cursor = first;
    while (cursor < end) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<LPCVOID>(cursor), &info, sizeof info) != sizeof info) return false;
        if (info.State != MEM_COMMIT || !protectionAllows(info.Protect, access)) return false;
        const UINT_PTR regionEnd = reinterpret_cast<UINT_PTR>(info.BaseAddress) + info.RegionSize;
        if (regionEnd <= cursor) return false; // a region that does not advance: refuse rather than loop
        cursor = regionEnd;
    }
    return true;
}

} // namespace

std::optional<ByteSpan> ProcessMemory::resolve(uint32_t address, uint32_t length, Access access) {
    if (address == 0) return std::nullopt;
    const UINT_PTR first = address;
    const UINT_PTR end = first + length;
    if (end < first || end - 1 > 0xFFFFFFFFu) return std::nullopt; // beyond what 32-bit fields name
    if (length != 0 && !spanIsAccessible(first, end, access)) return std::nullopt;
    return ByteSpan{reinterpret_cast<uint8_t*>(first), length};
}

} // namespace kestrel::win
