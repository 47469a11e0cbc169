// Our files read by libtiff, and libtiff's CCITT files read by our decoders, pixel for pixel.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "kestrel/tests/block_builder.h"
#include "kestrel/tests/test_support.h"

namespace kestrel::test {
namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

struct RemoveOnExit {
    std::string path;
    ~RemoveOnExit() { std::remove(path.c_str()); }
};

// Raster as libtiff decodes it: rows of TIFFScanlineSize bytes.
std::vector<uint8_t> readWithLibtiff(const std::string& path, uint32_t& width, uint32_t& height) {
    TiffPtr tif(TIFFOpen(path.c_str(), "r"));
    if (!tif) return {};
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    const tmsize_t line = TIFFScanlineSize(tif.get());
    std::vector<uint8_t> raster(static_cast<size_t>(line) * height);
    for (uint32_t y = 0; y < height; ++y)
        if (TIFFReadScanline(tif.get(), raster.data() + y * line, y, 0) < 0) return {};
    return raster;
}

bool tiffinfoAccepts(const std::string& path) {
    const std::string command = "tiffinfo -D '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return false;
    std::string output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
    const bool complained = output.find("rror") != std::string::npos || output.find("arning") != std::string::npos;
    return pclose(pipe.release()) == 0 && !complained;
}

class WrittenFileTest : public ::testing::Test {
protected:
    // Writes rows (stride bytes each) through the file command; returns the status.
    Status writeFile(const std::string& path, const std::vector<uint8_t>& data, uint8_t mode, uint8_t k, uint8_t bpp,
                     uint32_t stride, uint32_t rows, uint32_t pixelWidth, bool whiteIsZero,
                     const std::vector<uint8_t>& palette = {}) {
        block.setCommand(kCommandWriteFile, mode, k);
        block.setWhiteIsZero(whiteIsZero);
        // With word 8 zero the width comes from the image record: 1/1200 inch at 300 dpi.
        block.setImage(300, 300, (pixelWidth ? pixelWidth : 1700) * 4, rows * 4, bpp);
        block.setFileName(path);
        block.setWord(kInputBytes, static_cast<uint32_t>(data.size()));
        block.setWord(kRowBytes, stride);
        block.setWord(kRows, rows);
        block.setWord(kPixelWidth, pixelWidth);
        block.setWord(kInputAddress, block.place(data));
        block.setWord(kPaletteAddress, palette.empty() ? 0 : block.place(palette));
        block.setWord(kPaletteEntries, static_cast<uint32_t>(palette.size() / 4));
        StdioFileSystem files;
        Environment env{block.memory(), files, nullptr};
        return executeCallBlock(BlockBuilder::kHeader, env);
    }
    BlockBuilder block;
};

TEST_F(WrittenFileTest, BilevelFilesInEveryModeDecodeInLibtiff) {
    for (uint8_t mode : {0, 1, 3, 4, 5, 6}) {
        for (bool whiteIsZero : {true, false}) {
            const Bitmap image = patternImage(1700, 30, whiteIsZero, mode + 10);
            std::vector<uint8_t> data = image.bits;
            if (mode != 0) data = encode(static_cast<CodingMode>(mode), 3, image);
            const RemoveOnExit file{tempPath("bilevel.tif")};
            ASSERT_EQ(writeFile(file.path, data, mode, 3, 1, static_cast<uint32_t>(image.stride), image.height,
                                image.width, whiteIsZero), kStatusSuccess);
            EXPECT_TRUE(tiffinfoAccepts(file.path)) << "mode " << int{mode};
            uint32_t width = 0, height = 0;
            const std::vector<uint8_t> raster = readWithLibtiff(file.path, width, height);
            EXPECT_EQ(width, 1700u);
            EXPECT_EQ(height, 30u);
            Bitmap theirs = image;
            theirs.bits = raster;
            ASSERT_EQ(raster.size(), image.bits.size());
            EXPECT_EQ(firstDifference(image, theirs), "") << "mode " << int{mode} << " white is zero " << whiteIsZero;
        }
    }
}

TEST_F(WrittenFileTest, NoCodedDataIsRefusedAndLeavesNoFile) {
    const Bitmap image = patternImage(1700, 30, true, 7);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    const RemoveOnExit file{tempPath("nothing_coded.tif")};
    std::remove(file.path.c_str());
    block.setWord(kInputBytes, 0);  // an encode that produced nothing, handed on as it was
    block.setCommand(kCommandWriteFile, 3, 0);
    block.setWhiteIsZero(true);
    block.setImage(300, 300, 1700 * 4, 30 * 4, 1);
    block.setFileName(file.path);
    block.setWord(kRowBytes, static_cast<uint32_t>(image.stride));
    block.setWord(kRows, image.height);
    block.setWord(kPixelWidth, image.width);
    block.setWord(kInputAddress, block.place(coded));
    StdioFileSystem files;
    Environment env{block.memory(), files, nullptr};
    EXPECT_EQ(executeCallBlock(BlockBuilder::kHeader, env), kStatusBadParameter);
    EXPECT_FALSE(std::ifstream(file.path).good()) << "a file without a page was written";
}

TEST_F(WrittenFileTest, CodedRowsNarrowerThanTheFileAreRecoded) {
    // 1700 pixels in rows of 212 bytes: coded at 1696 pixels, the file is 1700 wide.
    const Bitmap image = patternImage(1696, 12, true, 4);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    const RemoveOnExit file{tempPath("recoded.tif")};
    ASSERT_EQ(writeFile(file.path, coded, 3, 0, 1, 212, 12, 0, true), kStatusSuccess);
    uint32_t width = 0, height = 0;
    const std::vector<uint8_t> raster = readWithLibtiff(file.path, width, height);
    ASSERT_EQ(width, 1700u);
    ASSERT_EQ(raster.size(), 213u * 12);
    for (uint32_t y = 0; y < 12; ++y) {
        EXPECT_TRUE(std::equal(image.bits.begin() + y * 212, image.bits.begin() + y * 212 + 212, raster.begin() + y * 213));
        EXPECT_EQ(raster[y * 213 + 212], 0) << "the four extra pixels are white";
    }
}

TEST_F(WrittenFileTest, GreyPaletteAndColourFiles) {
    const uint32_t width = 37, rows = 9;
    for (uint8_t bpp : {4, 8, 24}) {
        const uint32_t stride = (width * bpp + 31) / 32 * 4;
        std::vector<uint8_t> data(stride * rows);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 5);
        for (bool withPalette : {false, true}) {
            if (withPalette && bpp == 24) continue;
            std::vector<uint8_t> palette;
            for (int i = 0; withPalette && i < (1 << bpp); ++i)
                palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0});
            const RemoveOnExit file{tempPath("colour.tif")};
            ASSERT_EQ(writeFile(file.path, data, 0, 0, bpp, stride, rows, width, false, palette), kStatusSuccess);
            EXPECT_TRUE(tiffinfoAccepts(file.path)) << int{bpp};
            uint32_t w = 0, h = 0;
            const std::vector<uint8_t> raster = readWithLibtiff(file.path, w, h);
            ASSERT_EQ(w, width);
            const size_t line = (width * bpp + 7) / 8;
            ASSERT_EQ(raster.size(), line * rows);
            for (uint32_t y = 0; y < rows; ++y)
                for (size_t b = 0; b < line; ++b) {
                    const size_t source = bpp == 24 ? (b / 3 * 3 + 2 - b % 3) : b; // BGR in, RGB out
                    uint8_t expected = data[y * stride + source];
                    if (bpp == 4 && b == line - 1) expected &= 0xF0; // only the first nibble is a pixel
                    uint8_t got = raster[y * line + b];
                    if (bpp == 4 && b == line - 1) got &= 0xF0;
                    ASSERT_EQ(got, expected) << int{bpp} << " row " << y << " byte " << b;
                }
            if (withPalette) {
                TiffPtr tif(TIFFOpen(file.path.c_str(), "r"));
                uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
                ASSERT_TRUE(TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &red, &green, &blue));
                EXPECT_EQ(red[3], 9 * 257); // from the RGBQUAD 3, 252, 9 (blue, green, red)
                EXPECT_EQ(green[3], 252 * 257);
                EXPECT_EQ(blue[3], 3 * 257);
            }
        }
    }
}

struct LibtiffScheme {
    uint16_t compression;
    uint32_t t4Options;
    CodingMode mode;
    const char* name;
};

const LibtiffScheme kLibtiffSchemes[] = {
    {COMPRESSION_CCITTFAX3, 0, CodingMode::Group3OneDim, "G3 1D"},
    {COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, CodingMode::Group3FilledEol, "G3 1D fill"},
    {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, CodingMode::Group3TwoDim, "G3 2D"},
    {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, CodingMode::Group3TwoDim, "G3 2D fill"},
    {COMPRESSION_CCITTFAX4, 0, CodingMode::Group4, "G4"},
    {COMPRESSION_CCITTRLE, 0, CodingMode::ModifiedHuffman, "MH"},
};

// Writes `image` with libtiff in one strip; false when libtiff cannot write that scheme.
bool writeWithLibtiff(const std::string& path, const Bitmap& image, const LibtiffScheme& s) {
    TiffPtr tif(TIFFOpen(path.c_str(), "w"));
    if (!tif) return false;
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, image.height);
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, image.whiteIsZero ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    if (TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, s.compression) != 1) return false;
    if (s.compression == COMPRESSION_CCITTFAX3) TIFFSetField(tif.get(), TIFFTAG_GROUP3OPTIONS, s.t4Options);
    for (uint32_t y = 0; y < image.height; ++y) {
        std::vector<uint8_t> row(image.bits.begin() + y * image.stride, image.bits.begin() + (y + 1) * image.stride);
        if (TIFFWriteScanline(tif.get(), row.data(), y, 0) < 0) return false;
    }
    return true;
}

std::vector<uint8_t> rawStrip(const std::string& path) {
    TiffPtr tif(TIFFOpen(path.c_str(), "r"));
    if (!tif) return {};
    std::vector<uint8_t> raw(static_cast<size_t>(TIFFRawStripSize(tif.get(), 0)));
    if (TIFFReadRawStrip(tif.get(), 0, raw.data(), static_cast<tmsize_t>(raw.size())) < 0) return {};
    return raw;
}

TEST(LibtiffFiles, DecodeWithOurDecodersToLibtiffPixels) {
    const TIFFErrorHandler quiet = TIFFSetErrorHandler(nullptr); // its complaints are checked below
    for (const LibtiffScheme& s : kLibtiffSchemes) {
        for (bool whiteIsZero : {true, false}) {
            for (uint32_t width : {61u, 1728u, 2550u}) {
                const Bitmap image = patternImage(width, 25, whiteIsZero, width);
                const RemoveOnExit file{tempPath("libtiff.tif")};
                ASSERT_TRUE(writeWithLibtiff(file.path, image, s)) << s.name;
                DecodeOutcome outcome;
                const Bitmap ours = decode(s.mode, rawStrip(file.path), image, &outcome);
                EXPECT_EQ(outcome.rowsDamaged, 0u) << s.name << " width " << width;
                EXPECT_EQ(firstDifference(image, ours), "") << s.name << " width " << width << " wiz " << whiteIsZero;
                // libtiff's own reading, where it manages (its 1D decoder refuses rows of
                // alternating pixels at some widths), must agree as well.
                uint32_t w = 0, h = 0;
                const std::vector<uint8_t> theirs = readWithLibtiff(file.path, w, h);
                if (theirs.size() == image.bits.size()) {
                    Bitmap reference = image;
                    reference.bits = theirs;
                    EXPECT_EQ(firstDifference(reference, ours), "") << s.name << " width " << width;
                }
            }
        }
    }
    TIFFSetErrorHandler(quiet);
}

} // namespace
} // namespace kestrel::test
