// Builds call blocks in an arena the way the program lays them out, for tests and fuzzing.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "kestrel/core/call_block.h"
#include "kestrel/core/command_runner.h"

namespace kestrel::test {

class BlockBuilder {
public:
    static constexpr uint32_t kBase = 0x00400000;
    static constexpr uint32_t kHeader = kBase;            // header and the three records, 84 bytes
    static constexpr uint32_t kParams = kBase + 0x100;    // parameter block
    static constexpr uint32_t kName = kBase + 0x200;      // file name
    static constexpr uint32_t kData = kBase + 0x1000;     // input, output and palette follow

    explicit BlockBuilder(size_t arenaBytes = 1 << 24) : memory_(kBase, arenaBytes), next_(kData) {
        uint8_t* h = memory_.at(kHeader);
        byte_order::WriteLittle16(h, 24);
        byte_order::WriteLittle32(h + layout::kBufferRecord, kHeader + 32);
        byte_order::WriteLittle32(h + layout::kImageRecord, kHeader + 44);
        byte_order::WriteLittle16(h + 24, 8);
        byte_order::WriteLittle32(h + 28, kName);
        byte_order::WriteLittle16(h + 32, 12);
        byte_order::WriteLittle32(h + 40, kParams);
        byte_order::WriteLittle16(h + 44, 40);
    }

    ArenaMemory& memory() { return memory_; }
    uint8_t* header() { return memory_.at(kHeader); }

    void setCommand(uint8_t command, uint8_t mode, uint8_t k) {
        header()[layout::kCommand] = command;
        byte_order::WriteLittle32(header() + layout::kFileRecord, command == kCommandWriteFile ? kHeader + 24 : 0);
        byte_order::WriteLittle16(header() + 34, command == kCommandWriteFile ? 0x0301 : 0x0302);
        const uint32_t coding = command == kCommandEncode ? (mode | k << 8) : (uint32_t{mode} << 16 | uint32_t{k} << 24);
        setWord(kCodingBytes, coding);
    }
    void setWhiteIsZero(bool whiteIsZero) {
        uint8_t* flags = header() + 35;
        *flags = whiteIsZero ? (*flags & 0x7F) : (*flags | 0x80);
    }
    void setEvent(uint32_t handle) {
        byte_order::WriteLittle16(header() + layout::kCompletionKind, layout::kCompletionEvent);
        byte_order::WriteLittle32(header() + layout::kEventHandle, handle);
    }
    void setImage(uint16_t xDpi, uint16_t yDpi, uint32_t width1200, uint32_t length1200, uint8_t bpp) {
        uint8_t* r = header() + 44;
        r[2] = static_cast<uint8_t>(xDpi >> 8), r[3] = static_cast<uint8_t>(xDpi);
        r[4] = static_cast<uint8_t>(yDpi >> 8), r[5] = static_cast<uint8_t>(yDpi);
        for (int i = 0; i < 4; ++i) {
            r[14 + i] = static_cast<uint8_t>(width1200 >> (24 - 8 * i));
            r[18 + i] = static_cast<uint8_t>(length1200 >> (24 - 8 * i));
        }
        r[26] = bpp;
    }
    void setFileName(const std::string& name) {
        std::memcpy(memory_.at(kName), name.c_str(), name.size() + 1);
    }
    void setWord(size_t index, uint32_t value) { byte_order::WriteLittle32(memory_.at(kParams) + 4 * index, value); }
    uint32_t word(size_t index) { return byte_order::ReadLittle32(memory_.at(kParams) + 4 * index); }
    uint16_t status() { return byte_order::ReadLittle16(header() + layout::kStatus); }

    // Copies bytes into the arena and returns their address.
    uint32_t place(const std::vector<uint8_t>& bytes) {
        const uint32_t address = reserve(bytes.size());
        std::memcpy(memory_.at(address), bytes.data(), bytes.size());
        return address;
    }
    uint32_t reserve(size_t bytes) {
        const uint32_t address = next_;
        next_ += static_cast<uint32_t>((bytes + 15) & ~size_t{15}) + 16;
        return address;
    }
    std::vector<uint8_t> read(uint32_t address, size_t bytes) {
        return std::vector<uint8_t>(memory_.at(address), memory_.at(address) + bytes);
    }

private:
    ArenaMemory memory_;
    uint32_t next_;
};

} // namespace kestrel::test
