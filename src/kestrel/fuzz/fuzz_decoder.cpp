// Feeds arbitrary bytes to one decoder (KESTREL_FUZZ_MODE). Whatever comes out must be stable:
// coding the decoded rows again and decoding that gives the same rows.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "kestrel/core/fax_codec.h"

using namespace kestrel;

namespace {

constexpr uint32_t kWidestRow = 3000;
constexpr uint32_t kMostRows = 64;

// The encoder's output area, `bytes` long. One buffer serves every run: a fresh one of up to
// 200 KB a run (mapped, zeroed and unmapped again by the sanitizer's allocator) took half of each
// run's time. What lies beyond the area handed out is poisoned, so a write past it is still caught.
ByteSpan codingArea(size_t bytes) {
    static std::vector<uint8_t> buffer(size_t{kMostRows} * (kWidestRow + 64) + 64);
    ASAN_UNPOISON_MEMORY_REGION(buffer.data(), buffer.size());
    ASAN_POISON_MEMORY_REGION(buffer.data() + bytes, buffer.size() - bytes);
    return ByteSpan{buffer.data(), bytes};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint32_t width = 1 + ((data[0] | (data[1] << 8)) % kWidestRow);
    const uint32_t rows = 1 + data[2] % kMostRows;
    const bool whiteIsZero = data[3] & 1;
    const RowFormat format{width, (width + 7) / 8 + (data[3] >> 6), whiteIsZero};
    const CodingMode mode = static_cast<CodingMode>(KESTREL_FUZZ_MODE);

    std::vector<uint8_t> decoded(format.stride * rows);
    const DecodeOutcome first = decodeRows(mode, format, ConstByteSpan{data + 4, size - 4}, rows,
                                           ByteSpan{decoded.data(), decoded.size()});
    if (first.bytes != decoded.size() || first.rowsProduced != rows) std::abort();

    // Room for the worst case: no code takes more than 8 bits a pixel (a vertical code of 7 bits
    // for a change at every pixel; horizontal mode's two runs of one pixel take 12 bits), plus EOLs
    // and fill. Twice the raw size, as before, is too little for a dithered photo.
    const ByteSpan coded = codingArea(size_t{rows} * (width + 64) + 64);
    const EncodeOutcome encoded = encodeRows(mode, 3, format, ConstByteSpan{decoded.data(), decoded.size()}, rows, coded);
    if (!encoded.fits) std::abort();
    std::vector<uint8_t> again(decoded.size());
    const DecodeOutcome second = decodeRows(mode, format, ConstByteSpan{coded.data, encoded.bytes}, rows,
                                            ByteSpan{again.data(), again.size()});
    if (second.rowsDamaged != 0 || again != decoded) std::abort();
    return 0;
}
