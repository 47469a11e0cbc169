#include "kestrel/core/command_runner.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "kestrel/core/fax_codec.h"
#include "kestrel/core/tiff_writer.h"

namespace kestrel {
namespace {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// A block of a few bytes may ask for a page of hundreds of megabytes, which is the caller's right;
// fuzzing runs treat a page that needs more than this as memory run out (the same status), so
// that they stay fast.
constexpr size_t kFuzzingMemoryLimit = size_t{1} << 20;
#endif

// Working memory a page needs, of a size that comes from the caller's block.
void claimWorkingMemory(size_t bytes) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (bytes > kFuzzingMemoryLimit) throw std::bad_alloc();
#else
    (void)bytes;
#endif
}

// A working buffer for a page.
std::vector<uint8_t> pageBuffer(size_t bytes, uint8_t fill = 0) {
    claimWorkingMemory(bytes);
    return std::vector<uint8_t>(bytes, fill);
}

// Input and output of a command, every size checked against what the caller handed over.
struct Rows {
    RowFormat format;
    uint32_t count = 0;
};

// Pixel count of rows in memory: word 8 when given, else what word 2 bytes hold.
uint32_t memoryPixelWidth(const CallBlock& block, uint8_t bitsPerPixel) {
    if (block.word(kPixelWidth)) return block.word(kPixelWidth);
    return static_cast<uint32_t>(uint64_t{block.word(kRowBytes)} * 8 / bitsPerPixel);
}

// Pixel count of a TIFF file: word 8, else the image record's physical width, else the row length.
uint32_t filePixelWidth(const CallBlock& block, uint8_t bitsPerPixel) {
    if (block.word(kPixelWidth)) return block.word(kPixelWidth);
    if (block.image.width1200 && block.image.xDpi) {
        const double pixels = std::floor(static_cast<double>(block.image.width1200) * block.image.xDpi / 1200.0 + 0.5);
        return pixels > kMaxPixelWidth ? kMaxPixelWidth + 1 : static_cast<uint32_t>(pixels);
    }
    return memoryPixelWidth(block, bitsPerPixel);
}

Status checkRows(const CallBlock& block, uint32_t width, uint8_t bitsPerPixel, Rows& rows) {
    if (block.word(kRows) == 0) return kStatusImageNotSupported;
    if (width == 0 || width > kMaxPixelWidth) return kStatusBadParameter;
    if (uint64_t{tiffRowBytes(width, bitsPerPixel)} * block.word(kRows) > kMaxRasterBytes) return kStatusBadParameter;
    const size_t stride = block.word(kRowBytes);
    if (stride > size_t{kMaxPixelWidth} * 3) return kStatusBadParameter; // wider than any row we accept
    if (stride < tiffRowBytes(std::min(width, memoryPixelWidth(block, bitsPerPixel)), bitsPerPixel))
        return kStatusBadParameter;
    rows.format = RowFormat{width, stride, block.whiteIsZero};
    rows.count = block.word(kRows);
    return kStatusSuccess;
}

// The rows in memory: word 2 x word 3 bytes at word 5, within the word 1 bytes handed over.
Status resolveRawInput(CallBlock& block, MemoryResolver& memory, ConstByteSpan& input) {
    const uint64_t need = uint64_t{block.word(kRowBytes)} * block.word(kRows);
    if (need > block.word(kInputBytes)) return kStatusBadParameter;
    const auto span = memory.resolve(block.word(kInputAddress), static_cast<uint32_t>(need), Access::Read);
    if (!span) return kStatusBadMemoryBlock;
    input = *span;
    return kStatusSuccess;
}

Status resolveCodedInput(CallBlock& block, MemoryResolver& memory, ConstByteSpan& input) {
    const auto span = memory.resolve(block.word(kInputAddress), block.word(kInputBytes), Access::Read);
    if (!span) return kStatusBadMemoryBlock;
    input = *span;
    return kStatusSuccess;
}

Status resolveOutput(CallBlock& block, MemoryResolver& memory, ByteSpan& output) {
    const auto span = memory.resolve(block.word(kOutputAddress), block.word(kOutputBytes), Access::ReadWrite);
    if (!span) return kStatusBadMemoryBlock;
    output = *span;
    return kStatusSuccess;
}

// Coding commands only handle bilevel rows; 0 means the caller left the record cleared.
Status checkBilevel(const CallBlock& block) {
    return block.image.bitsPerPixel <= 1 ? kStatusSuccess : kStatusImageNotSupported;
}

Status decodeStatus(const DecodeOutcome& outcome) {
    if (outcome.rowsDamaged == 0) return kStatusSuccess;
    return outcome.rowsDamaged < outcome.rowsProduced ? kStatusRepaired : kStatusError;
}

using InputResolver = Status (*)(CallBlock&, MemoryResolver&, ConstByteSpan&);

// What coding in memory checks before it starts, either way: bilevel rows of a width the
// library takes, the input (raw rows or coded data, as `resolveInput` reads it) and the output.
Status prepareMemoryCoding(CallBlock& block, MemoryResolver& memory, InputResolver resolveInput, Rows& rows,
                           ConstByteSpan& input, ByteSpan& output) {
    Status status = checkBilevel(block);
    if (status == kStatusSuccess) status = checkRows(block, memoryPixelWidth(block, 1), 1, rows);
    if (status == kStatusSuccess) status = resolveInput(block, memory, input);
    if (status == kStatusSuccess) status = resolveOutput(block, memory, output);
    return status;
}

Status runEncode(CallBlock& block, MemoryResolver& memory) {
    const uint8_t mode = block.encodeMode();
    if (!isCcittMode(mode)) return kStatusBadParameter;
    if (mode == static_cast<uint8_t>(CodingMode::Group3TwoDim) && block.encodeK() == 0) return kStatusBadParameter;
    Rows rows;
    ConstByteSpan input;
    ByteSpan output;
    const Status status = prepareMemoryCoding(block, memory, resolveRawInput, rows, input, output);
    if (status != kStatusSuccess) return status;
    const EncodeOutcome outcome =
        encodeRows(static_cast<CodingMode>(mode), block.encodeK(), rows.format, input, rows.count, output);
    block.setWord(kOutputBytes, outcome.fits ? static_cast<uint32_t>(outcome.bytes) : 0);
    return outcome.fits ? kStatusSuccess : kStatusError;
}

Status runDecode(CallBlock& block, MemoryResolver& memory) {
    const uint8_t mode = block.decodeMode();
    if (!isCcittMode(mode)) return kStatusBadParameter;
    Rows rows;
    ConstByteSpan input;
    ByteSpan output;
    const Status status = prepareMemoryCoding(block, memory, resolveCodedInput, rows, input, output);
    if (status != kStatusSuccess) return status;
    const DecodeOutcome outcome = decodeRows(static_cast<CodingMode>(mode), rows.format, input, rows.count, output);
    block.setWord(kOutputBytes, static_cast<uint32_t>(outcome.bytes));
    return decodeStatus(outcome);
}

uint8_t whiteByte(const TiffImage& image) {
    if (image.bitsPerPixel == 24) return 0xFF;
    return image.whiteIsZero ? 0x00 : 0xFF;
}

// Rows as the file stores them: each row of `stride` bytes in memory cut or padded (with white)
// to the file's row length; 24-bit pixels turned from blue-green-red into red-green-blue.
std::vector<uint8_t> fileRows(const TiffImage& image, ConstByteSpan input, size_t stride) {
    const size_t fileRow = tiffRowBytes(image.width, image.bitsPerPixel);
    const size_t copied = std::min(fileRow, stride);
    std::vector<uint8_t> out = pageBuffer(fileRow * image.height, whiteByte(image));
    for (uint32_t r = 0; r < image.height; ++r) {
        const uint8_t* src = input.data + r * stride;
        uint8_t* dst = out.data() + r * fileRow;
        if (image.bitsPerPixel == 24) {
            for (size_t p = 0; p + 3 <= copied; p += 3) {
                dst[p] = src[p + 2];
                dst[p + 1] = src[p + 1];
                dst[p + 2] = src[p];
            }
        } else {
            std::copy(src, src + copied, dst);
        }
    }
    return out;
}

Status readPalette(CallBlock& block, MemoryResolver& memory, TiffImage& image) {
    const uint32_t address = block.word(kPaletteAddress);
    if (address == 0 || (image.bitsPerPixel != 4 && image.bitsPerPixel != 8)) return kStatusSuccess;
    const uint32_t entries = std::min<uint32_t>(block.word(kPaletteEntries), 1u << image.bitsPerPixel);
    if (entries == 0) return kStatusBadParameter;
    const auto table = memory.resolve(address, entries * 4, Access::Read);
    if (!table) return kStatusBadMemoryBlock;
    for (uint32_t i = 0; i < entries; ++i) { // RGBQUAD: blue, green, red, reserved
        const uint8_t* q = table->data + 4 * i;
        image.palette.push_back(Rgb{q[2], q[1], q[0]});
    }
    return kStatusSuccess;
}

// Coded data whose row width is not the file's is decoded and coded again at the file's width.
Status recode(const TiffImage& image, unsigned k, uint32_t codedWidth, ConstByteSpan coded,
              std::vector<uint8_t>& out) {
    const uint32_t wider = std::max(codedWidth, image.width);
    // The decoder and the encoder each keep two rows of colour changes, a word per pixel.
    claimWorkingMemory(size_t{wider} * 4 * sizeof(uint32_t));
    const RowFormat format{codedWidth, tiffRowBytes(wider, 1), image.whiteIsZero};
    std::vector<uint8_t> rows = pageBuffer(format.stride * image.height);
    const DecodeOutcome decoded = decodeRows(image.coding, format, coded, image.height, ByteSpan{rows.data(), rows.size()});
    const RowFormat fileFormat{image.width, format.stride, image.whiteIsZero};
    // No code word is longer than a byte per pixel plus each row's EOL and tag, so the buffer
    // stops growing at that size; it starts small because coded data is usually far smaller.
    const size_t worstCase = size_t{image.width} * image.height + size_t{8} * image.height + 64;
    for (size_t capacity = std::min(rows.size() / 4 + 1024, worstCase);; capacity = std::min(capacity * 2, worstCase)) {
        out = pageBuffer(capacity);
        const EncodeOutcome encoded = encodeRows(image.coding, std::max(k, 1u), fileFormat,
                                                 ConstByteSpan{rows.data(), rows.size()}, image.height,
                                                 ByteSpan{out.data(), out.size()});
        if (encoded.fits) {
            out.resize(encoded.bytes);
            return decodeStatus(decoded);
        }
        if (capacity == worstCase) break;
    }
    return kStatusError;
}

Status storeFile(Environment& env, const std::string& name, const TiffImage& image, ConstByteSpan strip) {
    if (name.empty()) return kStatusFileError;
    std::unique_ptr<OutputFile> file = env.files.create(name);
    if (!file || !writeTiff(*file, image, strip)) return kStatusFileError;
    return kStatusSuccess;
}

Status runWriteFile(CallBlock& block, Environment& env) {
    TiffImage image;
    image.bitsPerPixel = block.image.bitsPerPixel;
    image.whiteIsZero = block.whiteIsZero;
    image.xDpi = block.image.xDpi;
    image.yDpi = block.image.yDpi;
    const uint8_t mode = block.decodeMode();
    if (mode != 0 && !isCcittMode(mode)) return kStatusBadParameter;
    image.coding = static_cast<CodingMode>(mode);
    const uint8_t bpp = image.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return kStatusImageNotSupported;
    if (mode != 0 && bpp != 1) return kStatusImageNotSupported;
    if (mode == static_cast<uint8_t>(CodingMode::Group3TwoDim) && block.decodeK() == 0) return kStatusBadParameter;
    image.width = filePixelWidth(block, bpp);
    image.height = block.word(kRows);
    Rows rows;
    Status status = checkRows(block, image.width, bpp, rows);
    if (status == kStatusSuccess) status = readPalette(block, env.memory, image);
    if (status != kStatusSuccess) return status;

    ConstByteSpan input;
    if (mode == 0) {
        status = resolveRawInput(block, env.memory, input);
        if (status != kStatusSuccess) return status;
        const std::vector<uint8_t> strip = fileRows(image, input, rows.format.stride);
        return storeFile(env, block.fileName, image, ConstByteSpan{strip.data(), strip.size()});
    }
    status = resolveCodedInput(block, env.memory, input);
    if (status != kStatusSuccess) return status;
    // No coded data is no page: a file that held it would open empty, so none is written.
    if (input.size == 0) return kStatusBadParameter;
    const uint32_t codedWidth = memoryPixelWidth(block, 1);
    if (codedWidth == image.width) return storeFile(env, block.fileName, image, input);
    if (codedWidth > kMaxPixelWidth || uint64_t{tiffRowBytes(codedWidth, 1)} * image.height > kMaxRasterBytes)
        return kStatusBadParameter;
    std::vector<uint8_t> strip;
    const Status decoded = recode(image, block.decodeK(), codedWidth, input, strip);
    if (decoded == kStatusError) return decoded;
    status = storeFile(env, block.fileName, image, ConstByteSpan{strip.data(), strip.size()});
    return status == kStatusSuccess ? decoded : status;
}

} // namespace

Status runCommand(CallBlock& block, Environment& env) {
    switch (block.command) {
    case kCommandWriteFile: return runWriteFile(block, env);
    case kCommandEncode: return runEncode(block, env.memory);
    case kCommandDecode: return runDecode(block, env.memory);
    default: return kStatusUnknownCommand;
    }
}

Status executeCallBlock(uint32_t headerAddress, Environment& env) {
    ParsedBlock parsed = parseCallBlock(headerAddress, env.memory);
    if (!parsed.block.header.data) return parsed.status;
    Status status = parsed.status;
    if (status == kStatusSuccess) {
        try {
            status = runCommand(parsed.block, env);
        } catch (const std::bad_alloc&) {
            status = kStatusError;
        }
    }
    byte_order::WriteLittle16(parsed.block.header.data + layout::kStatus, status);
    if (env.completion && parsed.block.completionKind == layout::kCompletionEvent)
        env.completion->signal(parsed.block.eventHandle);
    return status;
}

} // namespace kestrel
