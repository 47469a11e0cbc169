// Every coding mode must give back the exact pixels it was given.
#include <gtest/gtest.h>

#include "kestrel/tests/test_support.h"

namespace kestrel::test {
namespace {

struct ModeCase {
    CodingMode mode;
    unsigned k;
    const char* name;
};

const ModeCase kModes[] = {
    {CodingMode::ModifiedHuffman, 0, "MH"},     {CodingMode::Group3OneDim, 0, "G3-1D"},
    {CodingMode::Group3FilledEol, 0, "G3-fill"}, {CodingMode::Group3TwoDim, 1, "G3-2D-K1"},
    {CodingMode::Group3TwoDim, 2, "G3-2D-K2"},   {CodingMode::Group3TwoDim, 4, "G3-2D-K4"},
    {CodingMode::Group4, 0, "G4"},
};

void expectRoundTrip(const ModeCase& m, const Bitmap& image) {
    const std::vector<uint8_t> coded = encode(m.mode, m.k, image);
    ASSERT_FALSE(coded.empty()) << m.name << " width " << image.width;
    DecodeOutcome outcome;
    const Bitmap back = decode(m.mode, coded, image, &outcome);
    EXPECT_EQ(outcome.rowsDamaged, 0u) << m.name << " width " << image.width;
    EXPECT_EQ(outcome.rowsProduced, image.height);
    EXPECT_EQ(firstDifference(image, back), "") << m.name << " width " << image.width;
    EXPECT_EQ(back.bits, image.bits) << m.name << " width " << image.width << ": padding bits differ";
}

TEST(FaxRoundTrip, EveryModeNarrowWidths) {
    for (const ModeCase& m : kModes)
        for (uint32_t width = 1; width <= 70; ++width) expectRoundTrip(m, patternImage(width, 12, true, width));
}

TEST(FaxRoundTrip, EveryModePageWidths) {
    for (const ModeCase& m : kModes)
        for (uint32_t width : {1700u, 1728u, 2480u, 2550u, 4961u})
            expectRoundTrip(m, patternImage(width, 23, true, width));
}

TEST(FaxRoundTrip, WhiteIsOnePolarity) {
    for (const ModeCase& m : kModes)
        for (uint32_t width : {13u, 64u, 1728u}) expectRoundTrip(m, patternImage(width, 15, false, width));
}

TEST(FaxRoundTrip, RowsWithPaddingBytes) {
    for (const ModeCase& m : kModes) {
        Bitmap image(100, 4, true, 3);
        image.fillRun(1, 10, 90);
        image.fillRun(2, 0, 100);
        expectRoundTrip(m, image);
    }
}

TEST(FaxRoundTrip, ScannedPages) {
    for (const ModeCase& m : kModes)
        for (PageKind kind : {PageKind::Text, PageKind::NoisyText, PageKind::Photo})
            expectRoundTrip(m, pageImage(kind, 1728, 300, 7));
}

TEST(FaxEncode, KnownCodesForSmallRows) {
    // One white row of 8 pixels in modified Huffman: white run 8 = 10011, padded to a byte.
    Bitmap white(8, 1, true);
    EXPECT_EQ(encode(CodingMode::ModifiedHuffman, 0, white), (std::vector<uint8_t>{0x98}));
    // Group 4, the same row: V0 (1), then EOFB (two EOLs), padded.
    EXPECT_EQ(encode(CodingMode::Group4, 0, white), (std::vector<uint8_t>{0x80, 0x08, 0x00, 0x80}));
    // T.4 with filled EOLs: EOL ends on a byte boundary, then the row, then six aligned EOLs.
    const std::vector<uint8_t> filled = encode(CodingMode::Group3FilledEol, 0, white);
    ASSERT_GE(filled.size(), 3u);
    EXPECT_EQ(filled[0], 0x00);
    EXPECT_EQ(filled[1], 0x01);
    EXPECT_EQ(filled[2], 0x98);
}

TEST(FaxEncode, OutputThatDoesNotFitIsReported) {
    const Bitmap image = patternImage(64, 10, true, 1);
    std::vector<uint8_t> out(5);
    const EncodeOutcome o = encodeRows(CodingMode::ModifiedHuffman, 0, image.format(), image.span(), image.height,
                                       ByteSpan{out.data(), out.size()});
    EXPECT_FALSE(o.fits);
    EXPECT_LE(o.bytes, out.size());
}

TEST(FaxEncode, TwoDimensionalNeedsPositiveK) {
    const Bitmap image = patternImage(16, 2, true, 1);
    std::vector<uint8_t> out(100);
    EXPECT_FALSE(encodeRows(CodingMode::Group3TwoDim, 0, image.format(), image.span(), image.height,
                            ByteSpan{out.data(), out.size()}).fits);
}

} // namespace
} // namespace kestrel::test
