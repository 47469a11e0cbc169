// MSB-first bit reading and writing for the CCITT codecs, 64 bits at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kestrel/core/byte_span.h"

// For the small helpers of the coding loops, which must not become calls.
#if defined(__GNUC__)
#define KESTREL_INLINE inline __attribute__((always_inline))
#else
#define KESTREL_INLINE inline
#endif

namespace kestrel {

inline uint64_t loadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__GNUC__)
    return __builtin_bswap64(v);
#else
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | ((v >> (8 * i)) & 0xFF);
    return r;
#endif
}

inline void storeBigEndian64(uint8_t* p, uint64_t v) {
#if defined(__GNUC__)
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, sizeof v);
#else
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
#endif
}

inline int countLeadingZeros64(uint64_t v) { return v ? __builtin_clzll(v) : 64; }

// Reads a byte span as a bit stream. Past the end it delivers zero bits, which no code word
// consists of, so a decoder running off the end meets an invalid code and stops there.
class BitReader {
public:
    explicit BitReader(ConstByteSpan input) : data_(input.data), size_(input.size) {}

    // Guarantees at least 56 valid bits in the window.
    void refill() {
        if (count_ > 56) return;
        refillNow();
    }

    // Tops the window up to at least 56 valid bits; no more than 56 may be left in it.
    void refillNow() {
        if (next_ + 8 <= size_) {
            window_ |= loadBigEndian64(data_ + next_) >> count_;
            next_ += static_cast<size_t>(63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ <= 56) {
            const uint64_t byte = next_ < size_ ? data_[next_] : 0;
            window_ |= byte << (56 - count_);
            ++next_;
            count_ += 8;
        }
    }

    // Refills only when fewer than `bits` (at most 56) valid bits are left.
    void refillBelow(int bits) {
        if (count_ < bits) refillNow();
    }

    // The next n bits (1..32) without consuming them; refill() must have run.
    uint32_t peek(int n) const { return static_cast<uint32_t>(window_ >> (64 - n)); }
    uint64_t window() const { return window_; }
    void consume(int n) {
        window_ <<= n;
        count_ -= n;
    }

    uint64_t bitPosition() const { return static_cast<uint64_t>(next_) * 8 - static_cast<uint64_t>(count_); }
    uint64_t bitSize() const { return static_cast<uint64_t>(size_) * 8; }
    bool exhausted() const { return bitPosition() >= bitSize(); }
    bool overrun() const { return bitPosition() > bitSize(); }

    void alignToByte() {
        const int partial = static_cast<int>(bitPosition() & 7);
        if (partial) {
            refill();
            consume(8 - partial);
        }
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 0;  // next byte to load into the window
    uint64_t window_ = 0; // valid bits left-aligned
    int count_ = 0;    // number of valid bits in the window
};

// Writes code words into a caller's buffer; never writes past its end, and remembers when the
// output did not fit.
class BitWriter {
public:
    explicit BitWriter(ByteSpan out) : out_(out) {}

    // Appends the low `length` bits of `code` (length 0..32).
    void put(uint32_t code, int length) {
        acc_ = (acc_ << length) | code;
        pending_ += length;
        if (pending_ >= 32) {
            pending_ -= 32;
            emit32(static_cast<uint32_t>(acc_ >> pending_));
        }
    }

    uint64_t bitPosition() const { return static_cast<uint64_t>(written_) * 8 + pending_; }

    void padToByte() {
        const int partial = static_cast<int>(bitPosition() & 7);
        if (partial) put(0, 8 - partial);
    }

    // Zero fill bits so that the next `length` bits end on a byte boundary.
    void padSoNextEndsOnByte(int length) {
        const int end = static_cast<int>((bitPosition() + static_cast<uint64_t>(length)) & 7);
        if (end) put(0, 8 - end);
    }

    // Writes out the last partial byte (padded with zeros); returns the bytes produced.
    size_t finish() {
        padToByte();
        while (pending_ >= 8) {
            pending_ -= 8;
            emitByte(static_cast<uint8_t>(acc_ >> pending_));
        }
        return written_;
    }

    bool overflowed() const { return overflowed_; }

private:
    void emit32(uint32_t v) {
        if (written_ + 4 <= out_.size) {
            uint8_t* p = out_.data + written_;
            p[0] = static_cast<uint8_t>(v >> 24);
            p[1] = static_cast<uint8_t>(v >> 16);
            p[2] = static_cast<uint8_t>(v >> 8);
            p[3] = static_cast<uint8_t>(v);
            written_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) emitByte(static_cast<uint8_t>(v >> shift));
    }
    void emitByte(uint8_t b) {
        if (written_ < out_.size) {
            out_.data[written_++] = b;
        } else {
            overflowed_ = true;
        }
    }

    ByteSpan out_;
    uint64_t acc_ = 0;
    int pending_ = 0;
    size_t written_ = 0;
    bool overflowed_ = false;
};

} // namespace kestrel
