#include "call_block.h"

namespace kestrel {

uint16_t readLittle16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t readLittle32(const uint8_t* p) { return readLittle16(p) | (uint32_t{readLittle16(p + 2)} << 16); }
void writeLittle16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void writeLittle32(uint8_t* p, uint32_t v) {
    writeLittle16(p, static_cast<uint16_t>(v));
    writeLittle16(p + 2, static_cast<uint16_t>(v >> 16));
}

uint32_t CallBlock::word(size_t index) const { return readLittle32(params.data + 4 * index); }
void CallBlock::setWord(size_t index, uint32_t value) { writeLittle32(params.data + 4 * index, value); }

namespace {

uint16_t readBig16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t readBig32(const uint8_t* p) { return (uint32_t{readBig16(p)} << 16) | readBig16(p + 2); }

// A record is usable when its address resolves and its leading size word says what it should.
std::optional<ByteSpan> resolveRecord(MemoryResolver& memory, uint32_t address, uint32_t size) {
    const auto record = memory.resolve(address, size, Access::Read);
    if (!record || readLittle16(record->data) != size) return std::nullopt;
    return record;
}

// The zero-terminated name, or nothing when it is unreachable or longer than allowed.
std::optional<std::string> readFileName(MemoryResolver& memory, uint32_t address) {
    std::string name;
    for (uint32_t i = 0; i < layout::kMaxFileName; ++i) {
        if (address + i < address) return std::nullopt; // would wrap around the address space
        const auto byte = memory.resolve(address + i, 1, Access::Read);
        if (!byte) return std::nullopt;
        if (byte->data[0] == 0) return name;
        name.push_back(static_cast<char>(byte->data[0]));
    }
    return std::nullopt;
}

Status parseFileRecord(MemoryResolver& memory, uint32_t address, CallBlock& block) {
    const auto record = resolveRecord(memory, address, layout::kFileRecordSize);
    if (!record) return kStatusBadMemoryBlock;
    block.fileFlag1 = record->data[2];
    block.fileFlag2 = record->data[3];
    const auto name = readFileName(memory, readLittle32(record->data + 4));
    if (!name) return kStatusBadMemoryBlock;
    block.fileName = *name;
    return kStatusSuccess;
}

Status parseBufferRecord(MemoryResolver& memory, uint32_t address, CallBlock& block) {
    const auto record = resolveRecord(memory, address, layout::kBufferRecordSize);
    if (!record) return kStatusBadMemoryBlock;
    const uint16_t flags = readLittle16(record->data + 2);
    block.direction = static_cast<uint8_t>(flags);
    block.whiteIsZero = (flags & layout::kWhiteIsOneFlag) == 0;
    // Offset 4 is the caller's work buffer: the library keeps its own working memory.
    const auto params = memory.resolve(readLittle32(record->data + 8), layout::kParamBytes, Access::ReadWrite);
    if (!params) return kStatusBadMemoryBlock;
    block.params = *params;
    return kStatusSuccess;
}

Status parseImageRecord(MemoryResolver& memory, uint32_t address, CallBlock& block) {
    const auto record = resolveRecord(memory, address, layout::kImageRecordSize);
    if (!record) return kStatusBadMemoryBlock;
    const uint8_t* p = record->data;
    block.image.xDpi = readBig16(p + 2);
    block.image.yDpi = readBig16(p + 4);
    block.image.width1200 = readBig32(p + 14);
    block.image.length1200 = readBig32(p + 18);
    block.image.bitsPerPixel = p[26];
    return kStatusSuccess;
}

} // namespace

ParsedBlock parseCallBlock(uint32_t headerAddress, MemoryResolver& memory) {
    ParsedBlock parsed;
    CallBlock& block = parsed.block;
    const auto header = memory.resolve(headerAddress, layout::kHeaderSize, Access::ReadWrite);
    if (!header) {
        parsed.status = kStatusBadMemoryBlock;
        return parsed;
    }
    block.header = *header;
    const uint8_t* h = header->data;
    block.command = h[layout::kCommand];
    block.completionKind = readLittle16(h + layout::kCompletionKind);
    block.eventHandle = readLittle32(h + layout::kEventHandle);
    if (readLittle16(h) != layout::kHeaderSize) {
        parsed.status = kStatusBadMemoryBlock;
        return parsed;
    }
    if (block.command != kCommandWriteFile && block.command != kCommandEncode && block.command != kCommandDecode) {
        parsed.status = kStatusUnknownCommand;
        return parsed;
    }
    Status status = parseBufferRecord(memory, readLittle32(h + layout::kBufferRecord), block);
    if (status == kStatusSuccess) status = parseImageRecord(memory, readLittle32(h + layout::kImageRecord), block);
    if (status == kStatusSuccess && block.command == kCommandWriteFile)
        status = parseFileRecord(memory, readLittle32(h + layout::kFileRecord), block);
    parsed.status = status;
    return parsed;
}

} // namespace kestrel
