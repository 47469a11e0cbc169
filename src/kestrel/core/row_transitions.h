// A bilevel row as the positions where its colour changes. Rows start white; the entries at even
// indices are where black begins, the odd ones where white begins again. Every entry is below the
// row width; the codecs append six copies of the width behind the last one as end markers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

// Runs of 0 bits are coded as white runs and runs of 1 bits as black runs, whatever the bits
// mean: as in TIFF files, the photometric interpretation (our white-is-zero flag) says which bit
// value is white. The flag therefore only decides what "white" means where the codec has to invent
// pixels: rows it could not decode and the bits beyond the width.
struct RowFormat {
    uint32_t width = 0;       // pixels in a row
    size_t stride = 0;        // bytes a row occupies in memory, at least (width + 7) / 8
    bool whiteIsZero = true;  // false: white pixels are 1 bits
};

constexpr size_t kEndMarkers = 6;

class Transitions {
public:
    // One slot before the first change holds kBeforeFirst: a codec stepping back from the first
    // change finds one that is never right of any a0 (compared as a signed position, it is -1),
    // and a decoder comparing a new change with the last one needs no count check.
    static constexpr uint32_t kBeforeFirst = ~uint32_t{0};
    explicit Transitions(uint32_t width) : width_(width), at_(size_t{width} + kEndMarkers + 2) {
        at_[0] = kBeforeFirst;
    }

    uint32_t width() const { return width_; }
    size_t count() const { return count_; }
    const uint32_t* data() const { return at_.data() + 1; }
    uint32_t operator[](size_t i) const { return at_[i + 1]; }

    void clear() { count_ = 0; }
    // Adds a colour change; one at the same place as the previous cancels it (a zero-length run).
    void push(uint32_t position) {
        if (count_ && at_[count_] == position) {
            --count_;
        } else if (count_ < width_) { // callers push increasing positions below the width
            at_[++count_] = position;
        }
    }
    // For decoders that write changes directly: room for `width` of them, then finish(count)
    // with how many were written (increasing, below the width).
    uint32_t* begin() { return at_.data() + 1; }
    void finish(size_t count) {
        count_ = count;
        terminate();
    }
    void terminate() {
        for (size_t i = 0; i < kEndMarkers; ++i) at_[count_ + 1 + i] = width_;
    }
    void swap(Transitions& other) {
        at_.swap(other.at_);
        std::swap(count_, other.count_);
        std::swap(width_, other.width_);
    }

private:
    uint32_t width_;
    std::vector<uint32_t> at_;
    size_t count_ = 0;
};

// Finds the colour changes of one packed row (format.stride bytes readable at row).
void scanRow(const uint8_t* row, const RowFormat& format, Transitions& out);

// Paints rows from their changes: format.stride bytes, pixels beyond the width white. Holds the
// scratch space of one row, so that painting many rows allocates nothing.
class RowPainter {
public:
    explicit RowPainter(const RowFormat& format);
    void paint(const Transitions& changes, uint8_t* row);

private:
    RowFormat format_;
    size_t words_; // 64-pixel words the stride covers, the last perhaps partial
    std::vector<uint64_t> sums_;
    std::vector<uint32_t> touched_; // the number of the last row with changes in the word
    uint32_t row_ = 0;
};

// A row of white pixels, padding included.
void paintWhiteRow(const RowFormat& format, uint8_t* row);

} // namespace kestrel
