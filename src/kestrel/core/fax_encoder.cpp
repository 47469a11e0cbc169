#include <cstdlib>

#include "kestrel/core/bit_io.h"
#include "kestrel/core/fax_codec.h"
#include "kestrel/core/fax_tables.h"

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

    // The coding loops work on a copy of the bit writer, kept in registers: the bytes it stores
    // could otherwise alias its own members and force them through memory after every code.
    static KESTREL_INLINE void putRun(BitWriter& bits, uint32_t run, bool black) {
        const tables::CodeWord* makeUp = black ? tables::kBlackMakeUp : tables::kWhiteMakeUp;
        const tables::CodeWord* terminating = black ? tables::kBlackTerminating : tables::kWhiteTerminating;
        if (run >= 64) {
            while (run > tables::kMaxMakeUp) {
                bits.put(makeUp[tables::kMaxMakeUp / 64 - 1].code, makeUp[tables::kMaxMakeUp / 64 - 1].length);
                run -= tables::kMaxMakeUp;
            }
            if (run >= 64) {
                const tables::CodeWord& c = makeUp[run / 64 - 1];
                bits.put(c.code, c.length);
                run &= 63;
            }
        }
        bits.put(terminating[run].code, terminating[run].length);
    }

    void encodeOneDim() {
        BitWriter bits = bits_;
        uint32_t a0 = 0;
        const uint32_t* changes = current_.data();
        const size_t n = current_.count();
        for (size_t i = 0; i < n; ++i) {
            putRun(bits, changes[i] - a0, i & 1);
            a0 = changes[i];
        }
        putRun(bits, format_.width - a0, n & 1);
        bits_ = bits;
    }

    void encodeTwoDim() {
        BitWriter bits = bits_;
        const int32_t width = static_cast<int32_t>(format_.width); // at most 2^20
        const uint32_t* cur = current_.data();
        const uint32_t* ref = reference_.data();
        int32_t a0 = -1;
        size_t ai = 0;    // cur[ai] is a1; its parity is the colour of the run that a0 starts
        ptrdiff_t bi = 0; // ref[bi] is b1 after the search, with the same parity (see the decoder)
        while (a0 < width) {
            while (static_cast<int32_t>(ref[bi]) <= a0) bi += 2;
            const int32_t a1 = static_cast<int32_t>(cur[ai]);
            const int32_t b1 = static_cast<int32_t>(ref[bi]);
            const int32_t b2 = static_cast<int32_t>(ref[bi + 1]);
            if (b2 < a1) {
                bits.put(0x1, 4); // pass
                a0 = b2;
                bi += 2;
                continue;
            }
            const int32_t delta = a1 - b1;
            if (delta >= -3 && delta <= 3) {
                const VerticalCode& v = kVertical[delta + 3];
                bits.put(v.code, v.length);
                a0 = a1;
                ++ai;
                bi += delta < 0 ? -1 : 1; // before the first change sits a 0, never right of a1
            } else {
                const int32_t start = a0 < 0 ? 0 : a0;
                const int32_t a2 = static_cast<int32_t>(cur[ai + 1]);
                const bool black = ai & 1;
                bits.put(0x1, 3); // horizontal
                putRun(bits, static_cast<uint32_t>(a1 - start), black);
                putRun(bits, static_cast<uint32_t>(a2 - a1), !black);
                a0 = a2;
                ai += 2;
            }
        }
        bits_ = bits;
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
