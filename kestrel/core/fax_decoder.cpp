#include <algorithm>
#include <cstring>
#include <vector>

#include "bit_io.h"
#include "fax_codec.h"
#include "fax_tables.h"

namespace kestrel {
namespace {

constexpr int kEolZeros = 11;
constexpr int kWindowBits = 55; // a 1 found at or before this bit lies within what refill() promises

enum class RowStart { Row, EndOfPage };

class FaxDecoder {
public:
    FaxDecoder(CodingMode mode, const RowFormat& format, ConstByteSpan data)
        : mode_(mode), format_(format), bits_(data), current_(format.width), reference_(format.width) {
        reference_.terminate();
    }

    bool endOfData() const { return endOfData_; }

    // Decodes the next row into current_; false when it could not be decoded (current_ is then
    // white). Once the data is used up, every further row is reported as not decoded.
    bool decodeRow() {
        const bool ok = !endOfData_ && decodeRowByMode();
        if (!ok) {
            current_.clear();
            current_.terminate();
        }
        return ok;
    }

    const Transitions& row() const { return current_; }
    void advance() { current_.swap(reference_); }

private:
    bool decodeRowByMode() {
        switch (mode_) {
        case CodingMode::ModifiedHuffman: return decodeModifiedHuffmanRow();
        case CodingMode::Group4: return decodeGroup4Row();
        case CodingMode::Group3FilledEol:
        case CodingMode::Group3OneDim:
        case CodingMode::Group3TwoDim: return decodeGroup3Row();
        case CodingMode::None: break;
        }
        return false;
    }

    bool decodeModifiedHuffmanRow() {
        skipEol(); // not part of this scheme, but some writers put them in anyway
        if (bits_.exhausted()) return giveUp();
        if (!decodeOneDim() || bits_.overrun()) return giveUp(); // no EOL to resynchronise at
        bits_.alignToByte();
        return true;
    }

    bool decodeGroup4Row() {
        if (skipEol() && atEol()) return giveUp(); // end of facsimile block
        if (bits_.exhausted()) return giveUp();
        if (!decodeTwoDim() || bits_.overrun()) return giveUp();
        return true;
    }

    bool decodeGroup3Row() {
        const bool sawEol = eolPending_ || skipEol();
        eolPending_ = false;
        if (sawEol && atEol()) return giveUp(); // return to control
        if (bits_.exhausted()) return giveUp();
        bool twoDim = false;
        if (mode_ == CodingMode::Group3TwoDim) {
            if (!sawEol) return resynchronise(); // the tag bit cannot be found without the EOL
            bits_.refill();
            twoDim = bits_.peek(1) == 0;
            bits_.consume(1);
            if (atEol()) return giveUp(); // return to control: EOL and tag, repeated
            if (twoDim && needOneDim_) return resynchronise();
        }
        const bool ok = twoDim ? decodeTwoDim() : decodeOneDim();
        if (!ok || bits_.overrun()) {
            needOneDim_ = true;
            return resynchronise();
        }
        needOneDim_ = false;
        return true;
    }

    bool giveUp() {
        endOfData_ = true;
        return false;
    }

    // Skips to just past the next EOL; the row it introduces is decoded next.
    bool resynchronise() {
        int zeros = 0;
        while (!bits_.exhausted()) {
            bits_.refill();
            const int z = countLeadingZeros64(bits_.window());
            if (z > kWindowBits) {
                zeros += kWindowBits;
                bits_.consume(kWindowBits);
                continue;
            }
            zeros += z;
            bits_.consume(z + 1);
            if (zeros >= kEolZeros) {
                eolPending_ = !bits_.overrun();
                break;
            }
            zeros = 0;
        }
        if (!eolPending_) endOfData_ = true;
        return false;
    }

    // Consumes fill bits and an EOL when the stream is at one.
    bool skipEol() {
        int zeros = 0;
        while (true) {
            bits_.refill();
            const int z = countLeadingZeros64(bits_.window());
            if (z <= kWindowBits) {
                if (zeros + z < kEolZeros) return false;
                bits_.consume(z + 1);
                return !bits_.overrun();
            }
            if (bits_.exhausted()) return false;
            zeros += kWindowBits;
            bits_.consume(kWindowBits);
        }
    }

    bool atEol() {
        bits_.refill();
        const int z = countLeadingZeros64(bits_.window());
        return z >= kEolZeros && z <= kWindowBits;
    }

    bool readRun(bool black, uint32_t& run) {
        uint32_t total = 0;
        while (true) {
            bits_.refill();
            const tables::RunEntry& e = black ? tables::kBlackDecode[bits_.peek(tables::kBlackIndexBits)]
                                              : tables::kWhiteDecode[bits_.peek(tables::kWhiteIndexBits)];
            if (e.kind == tables::kTerminating) {
                bits_.consume(e.length);
                run = total + e.run;
                return true;
            }
            if (e.kind != tables::kMakeUp) return false; // EOL or no code: leave it for resynchronising
            bits_.consume(e.length);
            total += e.run;
            if (total > format_.width) return false;
        }
    }

    bool decodeOneDim() {
        current_.clear();
        const uint32_t width = format_.width;
        uint32_t a = 0;
        bool black = false;
        while (true) {
            uint32_t run = 0;
            if (!readRun(black, run)) return false;
            if (run > width - a) return false;
            a += run;
            if (a == width) break;
            current_.push(a);
            black = !black;
        }
        current_.terminate();
        return true;
    }

    bool decodeTwoDim() {
        current_.clear();
        const int64_t width = format_.width;
        const uint32_t* ref = reference_.data();
        int64_t a0 = -1;
        size_t colour = 0; // 0 while a0 starts a white run
        size_t bi = 0;
        while (a0 < width) {
            while (static_cast<int64_t>(ref[bi]) <= a0 || (bi & 1) != colour) ++bi;
            const int64_t b1 = ref[bi];
            const int64_t b2 = ref[bi + 1];
            const int64_t start = a0 < 0 ? 0 : a0;
            bits_.refill();
            const tables::ModeEntry& m = tables::kModeDecode[bits_.peek(tables::kModeIndexBits)];
            switch (m.kind) {
            case tables::kPass:
                bits_.consume(m.length);
                a0 = b2;
                continue;
            case tables::kHorizontal: {
                bits_.consume(m.length);
                uint32_t first = 0, second = 0;
                if (!readRun(colour != 0, first) || !readRun(colour == 0, second)) return false;
                const int64_t a1 = start + first;
                const int64_t a2 = a1 + second;
                if (a2 > width) return false;
                pushChange(a1);
                pushChange(a2);
                a0 = a2;
                break;
            }
            case tables::kVertical: {
                bits_.consume(m.length);
                const int64_t a1 = b1 + m.delta;
                if (a1 < start || a1 > width) return false;
                pushChange(a1);
                a0 = a1;
                colour ^= 1;
                break;
            }
            default:
                return false; // EOL, extension or no code
            }
            if (bi > 0) --bi;
        }
        current_.terminate();
        return true;
    }

    void pushChange(int64_t position) {
        if (position < format_.width) current_.push(static_cast<uint32_t>(position));
    }

    CodingMode mode_;
    RowFormat format_;
    BitReader bits_;
    Transitions current_;
    Transitions reference_;
    bool eolPending_ = false;
    bool needOneDim_ = false;
    bool endOfData_ = false;
};

class RowSink {
public:
    RowSink(const RowFormat& format, ByteSpan out) : format_(format), out_(out) {}

    bool full() const { return used_ >= out_.size; }

    // Paints a decoded row, or a white one when `row` is null.
    void put(const Transitions* row) {
        const size_t room = out_.size - used_;
        uint8_t* target = out_.data + used_;
        if (room < format_.stride) {
            scratch_.resize(format_.stride);
            target = scratch_.data();
        }
        row ? paintRow(*row, format_, target) : paintWhiteRow(format_, target);
        if (room < format_.stride) std::memcpy(out_.data + used_, scratch_.data(), room);
        used_ += std::min(room, format_.stride);
    }

    size_t used() const { return used_; }

private:
    RowFormat format_;
    ByteSpan out_;
    size_t used_ = 0;
    std::vector<uint8_t> scratch_;
};

} // namespace

DecodeOutcome decodeRows(CodingMode mode, const RowFormat& format, ConstByteSpan data, uint32_t rowCount,
                         ByteSpan out) {
    DecodeOutcome outcome;
    if (format.width == 0 || format.stride == 0 || !isCcittMode(static_cast<uint8_t>(mode))) return outcome;
    FaxDecoder decoder(mode, format, data);
    RowSink sink(format, out);
    uint32_t r = 0;
    for (; r < rowCount && !sink.full() && !decoder.endOfData(); ++r) {
        const bool decoded = decoder.decodeRow();
        if (!decoded) ++outcome.rowsDamaged;
        sink.put(decoded ? &decoder.row() : nullptr);
        decoder.advance();
    }
    // Rows the data did not reach.
    for (; r < rowCount && !sink.full(); ++r) {
        sink.put(nullptr);
        ++outcome.rowsDamaged;
    }
    outcome.rowsProduced = r;
    outcome.bytes = sink.used();
    return outcome;
}

} // namespace kestrel
