// The decoders' shortcuts: several codes read with one lookup must never take a code of the next
// row, and rows painted a word at a time must match pixel-by-pixel painting.
#include <gtest/gtest.h>

#include <random>

#include "kestrel/core/bit_io.h"
#include "kestrel/tests/test_support.h"

namespace kestrel::test {
namespace {

// A row painted pixel by pixel from its changes, the way the changes are defined.
std::vector<uint8_t> paintedPixelByPixel(const Transitions& changes, const RowFormat& format) {
    std::vector<uint8_t> row(format.stride, 0);
    bool one = false;
    size_t next = 0;
    for (uint64_t x = 0; x < uint64_t{format.stride} * 8; ++x) {
        if (x < format.width && next < changes.count() && changes[next] == x) {
            one = !one;
            ++next;
        }
        const bool bit = x < format.width ? one : !format.whiteIsZero;
        if (bit) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    return row;
}

// A last row of three V0 codes (the row above again, when its changes are at most two), then the
// end of the facsimile block.
void putRowAsAboveAndEnd(BitWriter& bits) {
    for (int i = 0; i < 3; ++i) bits.put(0x1, 1);
    bits.put(0x001, 12);
    bits.put(0x001, 12);
    bits.finish();
}

void expectGroup4Rows(const std::vector<uint8_t>& coded, const Bitmap& expected) {
    DecodeOutcome outcome;
    const Bitmap decoded = decode(CodingMode::Group4, coded, expected, &outcome);
    EXPECT_EQ(outcome.rowsDamaged, 0u);
    EXPECT_EQ(firstDifference(expected, decoded), "");
}

TEST(FaxDecode, RowsPaintedAWordAtATimeMatchPixelByPixel) {
    std::mt19937 random(5);
    for (uint32_t width : {1u, 7u, 63u, 64u, 65u, 127u, 200u, 1728u}) {
        for (size_t pad : {0u, 1u, 9u}) {
            for (bool whiteIsZero : {true, false}) {
                const RowFormat format{width, (width + 7) / 8 + pad, whiteIsZero};
                Transitions changes(width);
                // One painter for all the rows, as in a decode: what earlier rows left in its
                // words must not show in later ones, dense or sparse.
                RowPainter painter(format);
                for (int trial = 0; trial < 20; ++trial) {
                    changes.clear();
                    const uint32_t density = trial % 2 ? 1 + random() % 4 : 1 + random() % 400;
                    for (uint32_t x = 0; x < width; ++x)
                        if (random() % density == 0) changes.push(x);
                    changes.terminate();
                    std::vector<uint8_t> row(format.stride, 0xA5);
                    painter.paint(changes, row.data());
                    ASSERT_EQ(row, paintedPixelByPixel(changes, format))
                        << "width " << width << " pad " << pad << " white is zero " << whiteIsZero;
                }
            }
        }
    }
}

// T.4 one-dimensional rows need no EOL: a row that ends on a white run is followed at once by the
// next row's first code, which a lookup of a white and a black run together must leave alone.
TEST(FaxDecode, OneDimensionalRowEndingWhiteWithoutEol) {
    std::vector<uint8_t> coded(16, 0);
    BitWriter bits(ByteSpan{coded.data(), coded.size()});
    bits.put(0xB, 4);  // white 4
    bits.put(0x3, 3);  // black 4
    bits.put(0x13, 5); // white 8: the row of 16 is complete
    bits.put(0x7, 4);  // next row: white 2
    bits.put(0x7, 8);  // black 14
    bits.finish();
    Bitmap expected(16, 2, true);
    expected.fillRun(0, 4, 8);
    expected.fillRun(1, 2, 16);
    DecodeOutcome outcome;
    const Bitmap decoded = decode(CodingMode::Group3OneDim, coded, expected, &outcome);
    EXPECT_EQ(outcome.rowsDamaged, 0u);
    EXPECT_EQ(firstDifference(expected, decoded), "");
}

// In T.6 a white row under a white row is one V0 code, one bit: a lookup sees the next rows'
// codes too, and each must land in its own row.
TEST(FaxDecode, RowsOfSingleVerticalCodes) {
    Bitmap image(40, 9, true);
    image.fillRun(3, 10, 20);
    image.fillRun(4, 10, 20);
    image.fillRun(5, 11, 21);
    for (CodingMode mode : {CodingMode::Group4, CodingMode::Group3TwoDim}) {
        DecodeOutcome outcome;
        const Bitmap decoded = decode(mode, encode(mode, 100, image), image, &outcome);
        EXPECT_EQ(outcome.rowsDamaged, 0u);
        EXPECT_EQ(firstDifference(image, decoded), "");
    }
}

// Past the reference row's last change b1 and b2 are the width. Vertical codes there put
// changes near the row's end or cancel them, and a pass over the width completes the row; the
// rows after it must take their codes from the right place.
TEST(FaxDecode, VerticalAndPassCodesAtTheRowsEnd) {
    std::vector<uint8_t> coded(16, 0);
    BitWriter bits(ByteSpan{coded.data(), coded.size()});
    bits.put(0x2, 3); // row 0: VL1 at the width, a change on the last pixel
    bits.put(0x2, 3); //        VL1 at the width again, a zero-length run: the change cancelled
    bits.put(0x1, 4); //        pass over the width: a white row
    bits.put(0x2, 7); // row 1: VL3 at the width, black from pixel 5
    bits.put(0x2, 3); //        VL1 at the width, white from pixel 7
    bits.put(0x1, 4); //        pass over the width
    putRowAsAboveAndEnd(bits); // row 2: as row 1
    Bitmap expected(8, 3, true);
    expected.fillRun(1, 5, 7);
    expected.fillRun(2, 5, 7);
    expectGroup4Rows(coded, expected);
}

// V0 and then VL1 over a black run of one pixel put a1 where a0 is: a zero-length run, which takes
// the change back. Both codes come from one lookup, whose shortcut must leave that to the careful
// path, and the row must end where its codes say.
TEST(FaxDecode, VerticalCodeCancellingTheChangeBeforeIt) {
    std::vector<uint8_t> coded(16, 0);
    BitWriter bits(ByteSpan{coded.data(), coded.size()});
    bits.put(0x1, 3);  // row 0: horizontal
    bits.put(0x8, 4);  //        white 3
    bits.put(0x2, 3);  //        black 1
    bits.put(0x1, 1);  //        V0 at the width: the row is complete
    bits.put(0x1, 1);  // row 1: V0, a change at 3
    bits.put(0x2, 3);  //        VL1 at 4: a1 is 3 again, the change taken back
    bits.put(0x1, 1);  //        V0 at the width: a white row
    putRowAsAboveAndEnd(bits); // row 2: as row 1, white
    Bitmap expected(8, 3, true);
    expected.setBlack(3, 0);
    expectGroup4Rows(coded, expected);
}

// A row layout whose stride cannot hold the width is refused whole: nothing is decoded or written.
TEST(FaxDecode, StrideNarrowerThanTheWidthIsRefused) {
    const Bitmap image = patternImage(200, 4, true, 3);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    std::vector<uint8_t> out(100, 0xA5);
    const RowFormat tooNarrow{200, 24, true}; // 200 pixels need 25 bytes
    const DecodeOutcome outcome = decodeRows(CodingMode::Group4, tooNarrow, ConstByteSpan{coded.data(), coded.size()},
                                             4, ByteSpan{out.data(), out.size()});
    EXPECT_EQ(outcome.bytes, 0u);
    EXPECT_EQ(outcome.rowsProduced, 0u);
    EXPECT_EQ(out, std::vector<uint8_t>(100, 0xA5));
}

} // namespace
} // namespace kestrel::test
