// The status word the library leaves in the call block's header. The library's interface: the
// program's binding compares with these values.
#pragma once

#include <cstdint>

namespace kestrel {

enum Status : uint16_t {
    kStatusSuccess = 1,
    kStatusUnknownCommand = 2,
    kStatusBadMemoryBlock = 3, // a missing address or a record of the wrong size
    kStatusError = 4,
    kStatusRepaired = 5, // success, but rows that could not be decoded were painted white
    kStatusFileError = 128,
    kStatusImageNotSupported = 192,
    kStatusBadParameter = 224,
};

} // namespace kestrel
