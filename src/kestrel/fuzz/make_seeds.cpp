// Writes the fuzz targets' seed inputs: bands of real coded pages (text, noisy text, a dithered
// photo, the code-exercising pattern rows) in every coding mode, laid out as each target reads its
// input. Starting from valid pages, the fuzzer mutates codes the decoders actually take, instead of
// random bytes that every decoder rejects in its first row.
//   kestrel_make_fuzz_seeds OUTPUT_DIR
// makes OUTPUT_DIR/decode_<mode>/ and OUTPUT_DIR/call_block/.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kestrel/core/call_block.h"
#include "kestrel/tests/test_support.h"

using namespace kestrel;
using kestrel::test::Bitmap;
using kestrel::test::PageKind;

namespace {

namespace fs = std::filesystem;

struct ModeDir {
    CodingMode mode;
    const char* name;
};
const ModeDir kModes[] = {
    {CodingMode::ModifiedHuffman, "mh"}, {CodingMode::Group4, "g4"},          {CodingMode::Group3FilledEol, "g3fill"},
    {CodingMode::Group3OneDim, "g3"},    {CodingMode::Group3TwoDim, "g3_2d"},
};

// The decoder target reads a width of at most 3000 pixels and at most 64 rows: a band of a page.
constexpr uint32_t kBandRows = 64;

Bitmap band(const Bitmap& page, uint32_t top, uint32_t rows, bool whiteIsZero, size_t padBytes) {
    Bitmap out(page.width, rows, whiteIsZero, padBytes);
    for (uint32_t y = 0; y < rows && top + y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x) out.setBlack(x, y, page.black(x, top + y));
    return out;
}

std::vector<Bitmap> decoderBands() {
    std::vector<Bitmap> bands;
    const Bitmap text = kestrel::test::pageImage(PageKind::Text, 1728, 2200, 1);
    const Bitmap noisy = kestrel::test::pageImage(PageKind::NoisyText, 2480, 3200, 2);
    const Bitmap photo = kestrel::test::pageImage(PageKind::Photo, 1728, 2200, 3);
    const Bitmap small = kestrel::test::pageImage(PageKind::Text, 200, 260, 4);
    bands.push_back(band(text, 150, kBandRows, true, 0));
    bands.push_back(band(noisy, 300, kBandRows, false, 1));
    bands.push_back(band(photo, 1000, kBandRows, true, 0));
    bands.push_back(band(small, 20, 40, true, 2));
    bands.push_back(kestrel::test::patternImage(2600, 20, true, 5));
    bands.push_back(kestrel::test::patternImage(99, 30, false, 6));
    return bands;
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
}

std::vector<uint8_t> codedOrFail(CodingMode mode, unsigned k, const Bitmap& image) {
    std::vector<uint8_t> coded = kestrel::test::encode(mode, k, image);
    if (coded.empty()) {
        std::fprintf(stderr, "a seed page did not code in mode %d\n", static_cast<int>(mode));
        std::exit(1);
    }
    return coded;
}

// The decoder target's input: width - 1 (16 bits), rows - 1, flags (bit 0 white is zero, bits 6-7
// padding bytes a row), then the coded rows.
void writeDecoderSeeds(const fs::path& root) {
    const std::vector<Bitmap> bands = decoderBands();
    for (const ModeDir& m : kModes) {
        const fs::path dir = root / (std::string("decode_") + m.name);
        fs::create_directories(dir);
        for (size_t i = 0; i < bands.size(); ++i) {
            const Bitmap& image = bands[i];
            const size_t pad = image.stride - (image.width + 7) / 8;
            std::vector<uint8_t> seed{
                static_cast<uint8_t>(image.width - 1), static_cast<uint8_t>((image.width - 1) >> 8),
                static_cast<uint8_t>(image.height - 1), static_cast<uint8_t>((image.whiteIsZero ? 1 : 0) | (pad << 6))};
            const std::vector<uint8_t> coded = codedOrFail(m.mode, 2 + i % 3, image);
            seed.insert(seed.end(), coded.begin(), coded.end());
            writeFile(dir / ("page" + std::to_string(i)), seed);
        }
    }
}

// The call-block target lays its input over a block that decodes 16 rows of 64 pixels from 0x200
// (0x100 bytes) into 0x300 (exclusive or, byte by byte): zero bytes keep that block, and a byte
// changes one field. The seeds keep the block and put real pages into its data area, for each
// command and coding mode.
constexpr size_t kBlockBytes = 0x400;
constexpr size_t kCommandByte = layout::kCommand;
constexpr size_t kParams = 0x100;
constexpr size_t kData = 0x200;
constexpr uint8_t kTemplateCommand = kCommandDecode;
constexpr uint8_t kTemplateMode = static_cast<uint8_t>(CodingMode::Group4);

void writeCallBlockSeeds(const fs::path& root) {
    const fs::path dir = root / "call_block";
    fs::create_directories(dir);
    const Bitmap page = band(kestrel::test::pageImage(PageKind::Text, 64, 100, 7), 5, 16, true, 0);
    int index = 0;
    auto seed = [&](uint8_t command, uint8_t mode, uint8_t k, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> bytes(kBlockBytes, 0);
        bytes[kCommandByte] = command ^ kTemplateCommand;
        // The coding word: encode mode and K, then decode (or file) mode and K.
        const bool decoding = command == kCommandDecode || command == kCommandWriteFile;
        bytes[kParams + (decoding ? 2 : 0)] = mode ^ kTemplateMode;
        bytes[kParams + (decoding ? 3 : 1)] = k;
        std::memcpy(bytes.data() + kData, data.data(), std::min<size_t>(data.size(), kBlockBytes - kData - 0x100));
        writeFile(dir / ("block" + std::to_string(index++)), bytes);
    };
    for (const ModeDir& m : kModes) {
        seed(kCommandDecode, static_cast<uint8_t>(m.mode), 2, codedOrFail(m.mode, 2, page));
        seed(kCommandEncode, static_cast<uint8_t>(m.mode), 2, page.bits);
        seed(kCommandWriteFile, static_cast<uint8_t>(m.mode), 2, page.bits);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    writeDecoderSeeds(argv[1]);
    writeCallBlockSeeds(argv[1]);
    return 0;
}
