// Code tables of the CCITT run-length and mode codes (contents generated, see fax_tables.cpp).
#pragma once

#include <cstdint>

namespace kestrel::tables {

// A code word as it goes into the stream: the low `length` bits of `code`, most significant first.
struct CodeWord {
    uint16_t code;
    uint8_t length;
};

enum RunKind : uint8_t { kInvalidRun = 0, kTerminating = 1, kMakeUp = 2, kEndOfLine = 3 };

// One slot of a run decoding table, indexed by the next 12 (white) or 13 (black) bits.
struct RunEntry {
    uint16_t run;
    uint8_t length;
    uint8_t kind; // RunKind
};

enum ModeKind : uint8_t { kInvalidMode = 0, kPass = 1, kHorizontal = 2, kVertical = 3, kExtension = 4 };

// One slot of the two-dimensional mode table, indexed by the next 7 bits.
struct ModeEntry {
    uint8_t kind; // ModeKind; kInvalidMode with 7 zero bits is where an EOL may start
    int8_t delta; // a1 - b1 for vertical modes
    uint8_t length;
};

constexpr int kWhiteIndexBits = 12;
constexpr int kBlackIndexBits = 13;
constexpr int kModeIndexBits = 7;
constexpr int kMaxMakeUp = 2560;

extern const CodeWord kWhiteTerminating[64];
extern const CodeWord kBlackTerminating[64];
// Index run / 64 - 1, runs 64..2560.
extern const CodeWord kWhiteMakeUp[40];
extern const CodeWord kBlackMakeUp[40];

extern const RunEntry kWhiteDecode[1 << kWhiteIndexBits];
extern const RunEntry kBlackDecode[1 << kBlackIndexBits];
extern const ModeEntry kModeDecode[1 << kModeIndexBits];

} // namespace kestrel::tables
