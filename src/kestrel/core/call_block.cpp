#include "kestrel/core/call_block.h"

namespace kestrel {

uint32_t CallBlock::word(size_t index) const { return byte_order::ReadLittle32(params.data + 4 * index); }
void CallBlock::setWord(size_t index, uint32_t value) { byte_order::WriteLittle32(params.data + 4 * index, value); }

namespace {

// A record is usable when its address resolves and its leading size word says what it should.
std::optional<ByteSpan> resolveRecord(MemoryResolver& memory, uint32_t address, uint32_t size) {
    const auto record = memory.resolve(address, size, Access::Read);
    if (!record || byte_order::ReadLittle16(record->data) != size) return std::nullopt;
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
    const auto name = readFileName(memory, byte_order::ReadLittle32(record->data + 4));
    if (!name) return kStatusBadMemoryBlock;
    block.fileName = *name;
    return kStatusSuccess;
}

Status parseBufferRecord(MemoryResolver& memory, uint32_t address, CallBlock& block) {
    const auto record = resolveRecord(memory, address, layout::kBufferRecordSize);
    if (!record) return kStatusBadMemoryBlock;
    const uint16_t flags = byte_order::ReadLittle16(record->data + 2);
    block.direction = static_cast<uint8_t>(flags);
    block.whiteIsZero = (flags & layout::kWhiteIsOneFlag) == 0;
    // Offset 4 is the caller's work buffer: the library keeps its own working memory.
    const auto params =
        memory.resolve(byte_order::ReadLittle32(record->data + 8), layout::kParamBytes, Access::ReadWrite);
    if (!params) return kStatusBadMemoryBlock;
    block.params = *params;
    return kStatusSuccess;
}

Status parseImageRecord(MemoryResolver& memory, uint32_t address, CallBlock& block) {
    const auto record = resolveRecord(memory, address, layout::kImageRecordSize);
    if (!record) return kStatusBadMemoryBlock;
    const uint8_t* p = record->data;
    block.image.xDpi = byte_order::ReadBig16(p + 2);
    block.image.yDpi = byte_order::ReadBig16(p + 4);
    block.image.width1200 = byte_order::ReadBig32(p + 14);
    block.image.length1200 = byte_order::ReadBig32(p + 18);
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
    block.completionKind = byte_order::ReadLittle16(h + layout::kCompletionKind);
    block.eventHandle = byte_order::ReadLittle32(h + layout::kEventHandle);
    if (byte_order::ReadLittle16(h) != layout::kHeaderSize) {
        parsed.status = kStatusBadMemoryBlock;
        return parsed;
    }
    if (block.command != kCommandWriteFile && block.command != kCommandEncode && block.command != kCommandDecode) {
        parsed.status = kStatusUnknownCommand;
        return parsed;
    }
    Status status = parseBufferRecord(memory, byte_order::ReadLittle32(h + layout::kBufferRecord), block);
    if (status == kStatusSuccess)
        status = parseImageRecord(memory, byte_order::ReadLittle32(h + layout::kImageRecord), block);
    if (status == kStatusSuccess && block.command == kCommandWriteFile)
        status = parseFileRecord(memory, byte_order::ReadLittle32(h + layout::kFileRecord), block);
    parsed.status = status;
    return parsed;
}

} // namespace kestrel
