// The coding-mode numbers callers put into the parameter block. The library's interface: the
// program's binding uses these numbers too. Portable, no other includes.
#pragma once

#include <cstdint>

namespace kestrel {

enum class CodingMode : uint8_t {
    None = 0,
    ModifiedHuffman = 1, // TIFF compression 2: no EOLs, every row starts on a byte boundary
    Group4 = 3,          // T.6
    Group3FilledEol = 4, // T.4 one-dimensional, every EOL ends on a byte boundary
    Group3OneDim = 5,    // T.4 one-dimensional
    Group3TwoDim = 6,    // T.4 two-dimensional: EOL plus a tag bit, a 1D row every K rows
};

} // namespace kestrel
