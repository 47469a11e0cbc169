#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "kestrel/core/bit_io.h"
#include "kestrel/core/fax_codec.h"
#include "kestrel/core/fax_tables.h"

namespace kestrel {
namespace {

constexpr int kEolZeros = 11;
constexpr int kWindowBits = 55; // a 1 found at or before this bit lies within what refill() promises
constexpr int kHorizontalLength = 3; // 001
constexpr int kPassLength = 4;       // 0001

enum class RowStart { Row, EndOfPage };

// Two terminating codes, a run of one colour and a run of the other, read with one lookup of the
// next 12 bits: dithered images are mostly such short runs. An entry holds the first run (bits
// 0-5), the second (6-11) and both codes' length (12-15); 0 when the bits do not start such a pair.
constexpr int kPairIndexBits = 12;
struct RunPairTables {
    uint16_t whiteBlack[1 << kPairIndexBits];
    uint16_t blackWhite[1 << kPairIndexBits];
};

tables::RunEntry lookUpRun(bool black, uint32_t bits12) {
    return black ? tables::kBlackDecode[bits12 << 1] : tables::kWhiteDecode[bits12];
}

uint16_t pairEntry(bool firstBlack, uint32_t bits12) {
    const tables::RunEntry first = lookUpRun(firstBlack, bits12);
    if (first.kind != tables::kTerminating || first.length >= kPairIndexBits) return 0;
    const uint32_t rest = (bits12 << first.length) & ((1u << kPairIndexBits) - 1);
    const tables::RunEntry second = lookUpRun(!firstBlack, rest);
    // A prefix code: a code no longer than the bits known is decided by them alone.
    if (second.kind != tables::kTerminating || second.length > kPairIndexBits - first.length) return 0;
    return static_cast<uint16_t>(first.run | second.run << 6 | (first.length + second.length) << 12);
}

// A mode code and, when they are all vertical and fit, up to two vertical codes after it, read
// with one lookup of the next 10 bits: text is mostly edges that continue, coded as runs of
// vertical modes.
constexpr int kModeRunIndexBits = 10;
// The decoder consumes all the codes of an entry at once (one shift of the bit window waiting for
// the lookup, not one per code) and goes back when the row ends, or fails, before the last.
struct ModeRun {
    uint8_t kind;     // tables::ModeKind of the first code
    uint8_t more;     // vertical codes after the first: 0, 1 or 2
    int8_t delta[3];  // a1 - b1 of the vertical codes
    uint8_t near;     // bit i: code i has a1 at b1 or one left of it, and the next b1 is b1's successor
    uint8_t total;    // bits of all the codes
    uint8_t unused;   // eight bytes: an entry is found with one shift of the index
};

// After a vertical code with a1 at b1 or one left of it, the next b1 is the change after b1.
constexpr bool isNear(int delta) { return delta == 0 || delta == -1; }

// Bits of the vertical code for a1 - b1 = delta: 1, 011/010, 000011/000010, 0000011/0000010.
int verticalCodeLength(int delta) {
    static constexpr int kLengths[4] = {1, 3, 6, 7};
    return kLengths[delta < 0 ? -delta : delta];
}

ModeRun modeRunEntry(uint32_t bits) {
    const int shift = kModeRunIndexBits - tables::kModeIndexBits;
    const tables::ModeEntry first = tables::kModeDecode[bits >> shift];
    ModeRun entry{first.kind, 0, {first.delta, 0, 0}, 0, first.length, 0};
    if (first.kind != tables::kVertical) return entry;
    entry.near = isNear(first.delta) ? 1 : 0;
    int used = first.length;
    for (int i = 1; i < 3; ++i) {
        const uint32_t rest = (bits << used) & ((1u << kModeRunIndexBits) - 1);
        const tables::ModeEntry next = tables::kModeDecode[rest >> shift];
        // A prefix code: a code no longer than the bits known is decided by them alone.
        if (next.kind != tables::kVertical || next.length > kModeRunIndexBits - used) break;
        entry.delta[i] = next.delta;
        entry.more = static_cast<uint8_t>(i);
        if (isNear(next.delta)) entry.near |= static_cast<uint8_t>(1u << i);
        used += next.length;
        entry.total = static_cast<uint8_t>(used);
    }
    return entry;
}

// Bits of an entry's first `codes` vertical codes.
int bitsThrough(const ModeRun& modes, int codes) {
    int used = 0;
    for (int i = 0; i < codes; ++i) used += verticalCodeLength(modes.delta[i]);
    return used;
}

const ModeRun* modeRuns() {
    static const std::array<ModeRun, 1 << kModeRunIndexBits> table = [] {
        std::array<ModeRun, 1 << kModeRunIndexBits> t{};
        for (uint32_t i = 0; i < t.size(); ++i) t[i] = modeRunEntry(i);
        return t;
    }();
    return table.data();
}

// Built once from the generated code tables.
const RunPairTables& runPairs() {
    static const RunPairTables pairs = [] {
        RunPairTables t{};
        for (uint32_t i = 0; i < (1u << kPairIndexBits); ++i) {
            t.whiteBlack[i] = pairEntry(false, i);
            t.blackWhite[i] = pairEntry(true, i);
        }
        return t;
    }();
    return pairs;
}

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
    // Whether the row just decoded has the changes of the one before it: text repeats rows.
    bool rowRepeats() const {
        const size_t n = current_.count();
        return n == reference_.count() && std::memcmp(current_.data(), reference_.data(), n * sizeof(uint32_t)) == 0;
    }
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

    // The hot loops work on a copy of the bit reader and write changes through a plain pointer,
    // so that the compiler keeps both in registers: stores into the change list could otherwise
    // alias the reader's members and force them through memory after every code.

    // One run of the colour, make-up codes included; false (nothing consumed of the offending
    // code, so that an EOL stays for resynchronising) at anything but a run code.
    template <bool Black>
    static KESTREL_INLINE bool readRun(BitReader& bits, uint32_t width, uint32_t& run) {
        uint32_t total = 0;
        while (true) {
            bits.refill();
            const tables::RunEntry e = Black ? tables::kBlackDecode[bits.peek(tables::kBlackIndexBits)]
                                             : tables::kWhiteDecode[bits.peek(tables::kWhiteIndexBits)];
            if (e.kind == tables::kTerminating) {
                bits.consume(e.length);
                run = total + e.run;
                return true;
            }
            if (e.kind != tables::kMakeUp) return false;
            bits.consume(e.length);
            total += e.run;
            if (total > width) return false;
        }
    }

    static KESTREL_INLINE bool readRun(BitReader& bits, bool black, uint32_t width, uint32_t& run) {
        return black ? readRun<true>(bits, width, run) : readRun<false>(bits, width, run);
    }

    // Appends a change below the width; one at the place of the previous cancels it (a run of
    // zero length). Positions arrive in increasing order, so at most `width` are ever kept.
    // `end` is the slot after the last change.
    static KESTREL_INLINE void pushChange(uint32_t*& end, uint32_t position, uint32_t width) {
        if (position >= width) return;
        pushChange(end, position);
    }

    // The same for a change known to be below the width.
    static KESTREL_INLINE void pushChange(uint32_t*& end, uint32_t position) {
        // Without a branch: the slot behind the last change always exists (the end markers), and
        // the one before the first never holds a position.
        const bool cancels = end[-1] == position;
        *end = position;
        end += cancels ? -1 : 1;
    }

    bool decodeOneDim() {
        BitReader bits = bits_;
        const uint32_t width = format_.width;
        uint32_t* end = current_.begin(); // after the last change
        const RunPairTables& pairs = runPairs();
        uint32_t a = 0;
        bool ok = true;
        while (true) {
            uint32_t white = 0, black = 0;
            // Only as many bits as a pair can take: topping the window up after every pair
            // would cost more than the pair.
            bits.refillBelow(kPairIndexBits);
            const uint16_t pair = pairs.whiteBlack[bits.peek(kPairIndexBits)];
            const uint32_t first = pair & 63, second = (pair >> 6) & 63;
            // A pair whose white run ends the row would take the next row's first code.
            if (pair && first < width - a && second <= width - a - first) {
                bits.consume(pair >> 12);
                const uint32_t a1 = a + first, a2 = a1 + second;
                a = a2;
                // As in two-dimensional rows: no look at the change before when neither run is
                // empty and the row goes on.
                if ((first != 0) & (second != 0) & (a2 < width)) {
                    end[0] = a1;
                    end[1] = a2;
                    end += 2;
                    continue;
                }
                pushChange(end, a1, width);
                if (a == width) break;
                pushChange(end, a, width);
                continue;
            }
            if (!readRun<false>(bits, width, white) || white > width - a) {
                ok = false;
                break;
            }
            a += white;
            if (a == width) break;
            pushChange(end, a, width);
            if (!readRun<true>(bits, width, black) || black > width - a) {
                ok = false;
                break;
            }
            a += black;
            if (a == width) break;
            pushChange(end, a, width);
        }
        bits_ = bits;
        current_.finish(static_cast<size_t>(end - current_.begin()));
        return ok;
    }

    // A vertical mode: a1 = b1 + delta becomes a0, and the colour changes, so does the parity:
    // the next b1 is right after b1, or just before it when a1 lies left of b1 (nothing earlier
    // can be right of a1; before the first change sits kBeforeFirst, never right of a1). Unless
    // the row is complete, *b is the next b1 afterwards.
    // `from` is a0 before the code: -1 at the start of the row.
    static KESTREL_INLINE bool vertical(uint32_t*& end, const uint32_t*& b, int32_t width, int32_t from, int delta,
                                        int32_t& a0) {
        const int32_t b1 = static_cast<int32_t>(*b);
        const int32_t a1 = b1 + delta;
        // The usual case in one comparison: a1 right of a0 (so right of the last change, which it
        // cannot cancel) and left of the width.
        if (static_cast<uint32_t>(a1 - from - 1) < static_cast<uint32_t>(width - from - 1)) {
            *end++ = static_cast<uint32_t>(a1);
            a0 = a1;
            // With a1 at b1 or one left of it, the next b1 is the change after b1 without a look:
            // the one before b1 is left of a1, as changes increase. These two deltas are most of
            // the vertical codes, and a search whose length depends on the delta is what the
            // processor mispredicts. Among the end markers, which are all equal, this may step
            // one marker further than a search; there are markers enough for that.
            if (isNear(delta)) {
                ++b;
                return true;
            }
            searchNextB1(b, delta, a1);
            return true;
        }
        return verticalAtEdge(end, b, width, from, delta, a0);
    }

    // The next b1 after a vertical code that is not near: from the change after b1 (a1 right of
    // b1) or the one before it (a1 left of b1), over pairs of changes up to the first right of a1.
    static KESTREL_INLINE void searchNextB1(const uint32_t*& b, int delta, int32_t a1) {
        b += (delta >> 7) | 1;
        while (static_cast<int32_t>(*b) <= a1) b += 2;
    }

    // One vertical code of an entry on the way that assumes the row goes on: false, with nothing
    // decided, when a1 is not right of the change before it, or the row is complete.
    template <int Code>
    static KESTREL_INLINE bool nextVertical(const ModeRun& modes, uint32_t* end, const uint32_t*& b, int32_t width,
                                            int32_t& from) {
        const int32_t a1 = static_cast<int32_t>(*b) + modes.delta[Code];
        if (a1 <= from) return false;
        end[Code] = static_cast<uint32_t>(a1);
        from = a1;
        if (modes.near & (1u << Code)) {
            ++b; // a1 beyond the width moves b among the end markers only: the caller stops there
            return true;
        }
        if (a1 >= width) return false; // a search would run past the end markers
        searchNextB1(b, modes.delta[Code], a1);
        return true;
    }

    // All the vertical codes of an entry, on the assumption that the row goes on past the last
    // and that no code cancels a change (both nearly always true): one comparison per code and
    // one for the width at the end. False, with nothing changed, when the assumption fails; the
    // codes are then taken one at a time with every question asked.
    static KESTREL_INLINE bool verticalsWithinRow(const ModeRun& modes, uint32_t*& end, const uint32_t*& b,
                                                  int32_t width, int32_t& a0) {
        const uint32_t* next = b;
        int32_t from = a0;
        if (!nextVertical<0>(modes, end, next, width, from)) return false;
        if (modes.more) {
            if (!nextVertical<1>(modes, end, next, width, from)) return false;
            if (modes.more > 1 && !nextVertical<2>(modes, end, next, width, from)) return false;
        }
        if (from >= width) return false;
        end += modes.more + 1;
        b = next;
        a0 = from;
        return true;
    }

    // The rest: a1 at a0 (a zero-length run), at the width (the row is complete) or outside.
    static bool verticalAtEdge(uint32_t*& end, const uint32_t*& b, int32_t width, int32_t from, int delta,
                               int32_t& a0) {
        const int32_t b1 = static_cast<int32_t>(*b);
        const int32_t a1 = b1 + delta;
        if (a1 < std::max(from, 0) || a1 > width) return false;
        a0 = a1;
        if (a1 == width) return true;
        pushChange(end, static_cast<uint32_t>(a1));
        if (isNear(delta) && b1 < width) {
            ++b;
            return true;
        }
        searchNextB1(b, delta, a1);
        return true;
    }

    bool decodeTwoDim() {
        BitReader bits = bits_;
        const int32_t width = static_cast<int32_t>(format_.width); // at most 2^20
        const uint32_t* ref = reference_.data();
        uint32_t* end = current_.begin(); // after the last change
        const RunPairTables& pairs = runPairs();
        const ModeRun* modeTable = modeRuns();
        int32_t a0 = -1; // -1: before the first pixel, where b1 may be 0
        // *b is b1 while the row goes on. Changes at even indices start black runs, so the
        // parity of b's index is the colour of the run a0 starts (0 white); the searches for b1
        // step over changes of the other kind two at a time, and the end markers (the width,
        // six times: a lookup's vertical codes may read three beyond b while the row goes on)
        // stop them.
        const uint32_t* b = ref;
        bool ok = true;
        while (a0 < width) {
            // *b is b1 here: each mode leaves it so.
            // Three vertical codes need at most 10 bits, a horizontal code and a pair of runs 15.
            bits.refillBelow(16);
            // Read through a reference: a copy of the entry would hold its fields in registers
            // that the loop needs, and they would be spilled to the stack on every lookup.
            const ModeRun& modes = modeTable[bits.peek(kModeRunIndexBits)];
            if (modes.kind == tables::kVertical && verticalsWithinRow(modes, end, b, width, a0)) {
                bits.consume(modes.total);
            } else if (modes.kind == tables::kVertical) {
                // The codes are consumed together once they are done with (the next lookup waits
                // for one shift); when the row ends or fails before the last, only those used.
                if (!vertical(end, b, width, a0, modes.delta[0], a0)) {
                    bits.consume(bitsThrough(modes, 1));
                    ok = false;
                    break;
                }
                // The codes after it belong to this row only while the row goes on.
                if (modes.more) {
                    if (a0 >= width) {
                        bits.consume(bitsThrough(modes, 1));
                        break;
                    }
                    if (!vertical(end, b, width, a0, modes.delta[1], a0)) {
                        bits.consume(bitsThrough(modes, 2));
                        ok = false;
                        break;
                    }
                    if (modes.more > 1) {
                        if (a0 >= width) {
                            bits.consume(bitsThrough(modes, 2));
                            break;
                        }
                        if (!vertical(end, b, width, a0, modes.delta[2], a0)) {
                            bits.consume(modes.total);
                            ok = false;
                            break;
                        }
                    }
                }
                bits.consume(modes.total);
            } else if (modes.kind == tables::kHorizontal) {
                // The code's length as a constant, not the one just looked up: the lookup of the
                // runs then does not wait for the mode's. The window still holds more than a
                // pair's 12 bits.
                bits.consume(kHorizontalLength);
                const int32_t start = a0 < 0 ? 0 : a0;
                uint32_t first = 0, second = 0;
                const bool black = (b - ref) & 1;
                const uint32_t room = static_cast<uint32_t>(width - start);
                const uint16_t pair = (black ? pairs.blackWhite : pairs.whiteBlack)[bits.peek(kPairIndexBits)];
                if (pair) {
                    first = pair & 63;
                    second = (pair >> 6) & 63;
                    bits.consume(pair >> 12);
                } else if (!readRun(bits, black, room, first) || !readRun(bits, !black, room, second)) {
                    ok = false;
                    break;
                }
                if (uint64_t{first} + second > room) {
                    ok = false;
                    break;
                }
                const int32_t a1 = start + static_cast<int32_t>(first);
                const int32_t a2 = a1 + static_cast<int32_t>(second);
                // Both runs long and the row not complete, as nearly always: neither change can
                // cancel the one before it, so the list end does not wait for a look at the
                // change just stored (a wait from one horizontal code to the next).
                if ((first != 0) & (second != 0) & (a2 < width)) {
                    end[0] = static_cast<uint32_t>(a1);
                    end[1] = static_cast<uint32_t>(a2);
                    end += 2;
                } else {
                    pushChange(end, static_cast<uint32_t>(a1), static_cast<uint32_t>(width));
                    pushChange(end, static_cast<uint32_t>(a2), static_cast<uint32_t>(width));
                }
                a0 = a2; // same colour again: the next b1 is at or after this one
                if (a0 < width)
                    while (static_cast<int32_t>(*b) <= a0) b += 2;
            } else if (modes.kind == tables::kPass) {
                bits.consume(kPassLength);
                a0 = static_cast<int32_t>(b[1]);
                b += 2; // right of b2, as changes increase; with b2 at the width the row is complete
            } else {
                ok = false; // EOL, extension or no code
                break;
            }
        }
        bits_ = bits;
        current_.finish(static_cast<size_t>(end - current_.begin()));
        return ok;
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
    RowSink(const RowFormat& format, ByteSpan out) : format_(format), out_(out), painter_(format) {}

    bool full() const { return used_ >= out_.size; }

    // Paints a decoded row, or a white one when `row` is null. A decoded row with the changes of
    // the one before it is copied from that one when it was painted from its changes too.
    void put(const Transitions* row, bool repeatsPrevious) {
        const size_t room = out_.size - used_;
        uint8_t* target = out_.data + used_;
        if (room < format_.stride) {
            scratch_.resize(format_.stride);
            target = scratch_.data();
        }
        if (!row) {
            paintWhiteRow(format_, target);
        } else if (repeatsPrevious && previousPainted_) {
            std::memcpy(target, out_.data + used_ - format_.stride, format_.stride);
        } else {
            painter_.paint(*row, target);
        }
        if (room < format_.stride) std::memcpy(out_.data + used_, scratch_.data(), room);
        used_ += std::min(room, format_.stride);
        previousPainted_ = row && room >= format_.stride;
    }

    size_t used() const { return used_; }

private:
    RowFormat format_;
    ByteSpan out_;
    size_t used_ = 0;
    RowPainter painter_;
    bool previousPainted_ = false; // the row before is whole in the output, painted from its changes
    std::vector<uint8_t> scratch_;
};

} // namespace

DecodeOutcome decodeRows(CodingMode mode, const RowFormat& format, ConstByteSpan data, uint32_t rowCount,
                         ByteSpan out) {
    DecodeOutcome outcome;
    const bool strideHoldsWidth = format.stride >= (uint64_t{format.width} + 7) / 8;
    if (format.width == 0 || !strideHoldsWidth || !isCcittMode(static_cast<uint8_t>(mode))) return outcome;
    FaxDecoder decoder(mode, format, data);
    RowSink sink(format, out);
    uint32_t r = 0;
    for (; r < rowCount && !sink.full() && !decoder.endOfData(); ++r) {
        const bool decoded = decoder.decodeRow();
        if (!decoded) ++outcome.rowsDamaged;
        sink.put(decoded ? &decoder.row() : nullptr, decoded && decoder.rowRepeats());
        decoder.advance();
    }
    // Rows the data did not reach.
    for (; r < rowCount && !sink.full(); ++r) {
        sink.put(nullptr, false);
        ++outcome.rowsDamaged;
    }
    outcome.rowsProduced = r;
    outcome.bytes = sink.used();
    return outcome;
}

} // namespace kestrel
