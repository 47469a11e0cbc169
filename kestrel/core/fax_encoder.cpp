#include <cstdlib>

#include "bit_io.h"
#include "fax_codec.h"
#include "fax_tables.h"

namespace kestrel {

bool isCcittMode(uint8_t mode) { return mode == 1 || (mode >= 3 && mode <= 6); }

namespace {

constexpr uint32_t kEolCode = 0x001;
constexpr int kEolLength = 12;

struct VerticalCode {
    uint8_t code, length;
};
// Indexed by a1 - b1 + 3.
constexpr VerticalCode kVertical[7] = {{0x02, 7}, {0x02, 6}, {0x02, 3}, {0x01, 1},
                                       {0x03, 3}, {0x03, 6}, {0x03, 7}};

class FaxEncoder {
public:
    FaxEncoder(CodingMode mode, unsigned k, const RowFormat& format, ByteSpan out)
        : mode_(mode), k_(k), format_(format), bits_(out), current_(format.width), reference_(format.width) {
        reference_.terminate(); // the line above the first row is white
    }

    void encodeRow(const uint8_t* row, uint32_t index) {
        scanRow(row, format_, current_);
        switch (mode_) {
        case CodingMode::ModifiedHuffman:
            encodeOneDim();
            bits_.padToByte();
            break;
        case CodingMode::Group3FilledEol:
            bits_.padSoNextEndsOnByte(kEolLength);
            putEol();
            encodeOneDim();
            break;
        case CodingMode::Group3OneDim:
            putEol();
            encodeOneDim();
            break;
        case CodingMode::Group3TwoDim: {
            const bool oneDim = index % k_ == 0;
            putEol();
            bits_.put(oneDim ? 1 : 0, 1);
            oneDim ? encodeOneDim() : encodeTwoDim();
            break;
        }
        case CodingMode::Group4:
            encodeTwoDim();
            break;
        case CodingMode::None:
            break;
        }
        current_.swap(reference_);
    }

    EncodeOutcome finish() {
        switch (mode_) {
        case CodingMode::Group3FilledEol:
        case CodingMode::Group3OneDim:
        case CodingMode::Group3TwoDim:
            putReturnToControl();
            break;
        case CodingMode::Group4:
            putEol(); // end of facsimile block: two EOLs
            putEol();
            break;
        default:
            break;
        }
        EncodeOutcome outcome;
        outcome.bytes = bits_.finish();
        outcome.fits = !bits_.overflowed();
        return outcome;
    }

private:
    void putEol() { bits_.put(kEolCode, kEolLength); }

    void putReturnToControl() {
        for (int i = 0; i < 6; ++i) {
            if (mode_ == CodingMode::Group3FilledEol) bits_.padSoNextEndsOnByte(kEolLength);
            putEol();
            if (mode_ == CodingMode::Group3TwoDim) bits_.put(1, 1);
        }
    }

    void putRun(uint32_t run, bool black) {
        const tables::CodeWord* makeUp = black ? tables::kBlackMakeUp : tables::kWhiteMakeUp;
        const tables::CodeWord* terminating = black ? tables::kBlackTerminating : tables::kWhiteTerminating;
        while (run > tables::kMaxMakeUp) {
            bits_.put(makeUp[tables::kMaxMakeUp / 64 - 1].code, makeUp[tables::kMaxMakeUp / 64 - 1].length);
            run -= tables::kMaxMakeUp;
        }
        if (run >= 64) {
            const tables::CodeWord& c = makeUp[run / 64 - 1];
            bits_.put(c.code, c.length);
            run &= 63;
        }
        bits_.put(terminating[run].code, terminating[run].length);
    }

    void encodeOneDim() {
        uint32_t a0 = 0;
        const size_t n = current_.count();
        for (size_t i = 0; i < n; ++i) {
            putRun(current_[i] - a0, i & 1);
            a0 = current_[i];
        }
        putRun(format_.width - a0, n & 1);
    }

    void encodeTwoDim() {
        const uint32_t width = format_.width;
        const uint32_t* cur = current_.data();
        const uint32_t* ref = reference_.data();
        int64_t a0 = -1;
        size_t ai = 0; // cur[ai] is a1; its parity is the colour of the run that a0 starts
        size_t bi = 0;
        while (a0 < static_cast<int64_t>(width)) {
            const size_t colour = ai & 1;
            while (static_cast<int64_t>(ref[bi]) <= a0 || (bi & 1) != colour) ++bi;
            const uint32_t a1 = cur[ai];
            const uint32_t b1 = ref[bi];
            const uint32_t b2 = ref[bi + 1];
            if (b2 < a1) {
                bits_.put(0x1, 4); // pass
                a0 = b2;
                continue;
            }
            const int64_t delta = static_cast<int64_t>(a1) - b1;
            if (delta >= -3 && delta <= 3) {
                const VerticalCode& v = kVertical[delta + 3];
                bits_.put(v.code, v.length);
                a0 = a1;
                ++ai;
            } else {
                const uint32_t start = a0 < 0 ? 0 : static_cast<uint32_t>(a0);
                const uint32_t a2 = cur[ai + 1];
                bits_.put(0x1, 3); // horizontal
                putRun(a1 - start, colour);
                putRun(a2 - a1, !colour);
                a0 = a2;
                ai += 2;
            }
            if (bi > 0) --bi; // a1 may lie left of b1: the element before b1 can become the next b1
        }
    }

    CodingMode mode_;
    unsigned k_;
    RowFormat format_;
    BitWriter bits_;
    Transitions current_;
    Transitions reference_;
};

} // namespace

EncodeOutcome encodeRows(CodingMode mode, unsigned k, const RowFormat& format, ConstByteSpan rows,
                         uint32_t rowCount, ByteSpan out) {
    if (mode == CodingMode::Group3TwoDim && k == 0) return {};
    if (format.width == 0 || static_cast<uint64_t>(format.stride) * rowCount > rows.size) return {};
    FaxEncoder encoder(mode, k, format, out);
    for (uint32_t r = 0; r < rowCount; ++r) encoder.encodeRow(rows.data + static_cast<size_t>(r) * format.stride, r);
    return encoder.finish();
}

} // namespace kestrel
