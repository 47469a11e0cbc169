// CCITT bilevel coding: modified Huffman, T.4 one- and two-dimensional, T.6.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestrel/core/byte_span.h"
#include "kestrel/core/coding_mode.h"
#include "kestrel/core/row_transitions.h"

namespace kestrel {

bool isCcittMode(uint8_t mode);

struct EncodeOutcome {
    bool fits = false; // false: the output buffer was too small
    size_t bytes = 0;
};

// Encodes rowCount rows of format.stride bytes each. `rows` must hold them all; k is used by
// Group3TwoDim only and must be at least 1.
EncodeOutcome encodeRows(CodingMode mode, unsigned k, const RowFormat& format, ConstByteSpan rows,
                         uint32_t rowCount, ByteSpan out);

struct DecodeOutcome {
    uint32_t rowsProduced = 0; // rows written (whole or, for the last, cut at the buffer's end)
    uint32_t rowsDamaged = 0;  // rows that could not be decoded and were painted white
    size_t bytes = 0;
};

// Decodes rowCount rows into `out` (format.stride bytes per row, rows that do not fit are left
// out). Never fails outright: rows it cannot decode are white and counted as damaged.
DecodeOutcome decodeRows(CodingMode mode, const RowFormat& format, ConstByteSpan data, uint32_t rowCount,
                         ByteSpan out);

} // namespace kestrel
