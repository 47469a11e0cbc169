// Writes core/fax_tables.cpp: the run-length code words of CCITT T.4 (used by T.4 and T.6 alike)
// as encoder tables, and the lookup tables the decoder indexes with the next 12 (white), 13
// (black) or 7 (two-dimensional mode) bits of the stream.
//
// Usage: kestrel_gen_tables OUTPUT.cpp
// The build offers the target kestrel_regenerate_tables, which runs this over the committed file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CodeWord {
    int run;
    const char* bits;
};

// Terminating codes for runs 0..63, then make-up codes for 64..1728 in steps of 64.
const CodeWord kWhite[] = {
    {0, "00110101"}, {1, "000111"}, {2, "0111"}, {3, "1000"}, {4, "1011"}, {5, "1100"},
    {6, "1110"}, {7, "1111"}, {8, "10011"}, {9, "10100"}, {10, "00111"}, {11, "01000"},
    {12, "001000"}, {13, "000011"}, {14, "110100"}, {15, "110101"}, {16, "101010"},
    {17, "101011"}, {18, "0100111"}, {19, "0001100"}, {20, "0001000"}, {21, "0010111"},
    {22, "0000011"}, {23, "0000100"}, {24, "0101000"}, {25, "0101011"}, {26, "0010011"},
    {27, "0100100"}, {28, "0011000"}, {29, "00000010"}, {30, "00000011"}, {31, "00011010"},
    {32, "00011011"}, {33, "00010010"}, {34, "00010011"}, {35, "00010100"}, {36, "00010101"},
    {37, "00010110"}, {38, "00010111"}, {39, "00101000"}, {40, "00101001"}, {41, "00101010"},
    {42, "00101011"}, {43, "00101100"}, {44, "00101101"}, {45, "00000100"}, {46, "00000101"},
    {47, "00001010"}, {48, "00001011"}, {49, "01010010"}, {50, "01010011"}, {51, "01010100"},
    {52, "01010101"}, {53, "00100100"}, {54, "00100101"}, {55, "01011000"}, {56, "01011001"},
    {57, "01011010"}, {58, "01011011"}, {59, "01001010"}, {60, "01001011"}, {61, "00110010"},
    {62, "00110011"}, {63, "00110100"},
    {64, "11011"}, {128, "10010"}, {192, "010111"}, {256, "0110111"}, {320, "00110110"},
    {384, "00110111"}, {448, "01100100"}, {512, "01100101"}, {576, "01101000"},
    {640, "01100111"}, {704, "011001100"}, {768, "011001101"}, {832, "011010010"},
    {896, "011010011"}, {960, "011010100"}, {1024, "011010101"}, {1088, "011010110"},
    {1152, "011010111"}, {1216, "011011000"}, {1280, "011011001"}, {1344, "011011010"},
    {1408, "011011011"}, {1472, "010011000"}, {1536, "010011001"}, {1600, "010011010"},
    {1664, "011000"}, {1728, "010011011"},
};

const CodeWord kBlack[] = {
    {0, "0000110111"}, {1, "010"}, {2, "11"}, {3, "10"}, {4, "011"}, {5, "0011"},
    {6, "0010"}, {7, "00011"}, {8, "000101"}, {9, "000100"}, {10, "0000100"},
    {11, "0000101"}, {12, "0000111"}, {13, "00000100"}, {14, "00000111"}, {15, "000011000"},
    {16, "0000010111"}, {17, "0000011000"}, {18, "0000001000"}, {19, "00001100111"},
    {20, "00001101000"}, {21, "00001101100"}, {22, "00000110111"}, {23, "00000101000"},
    {24, "00000010111"}, {25, "00000011000"}, {26, "000011001010"}, {27, "000011001011"},
    {28, "000011001100"}, {29, "000011001101"}, {30, "000001101000"}, {31, "000001101001"},
    {32, "000001101010"}, {33, "000001101011"}, {34, "000011010010"}, {35, "000011010011"},
    {36, "000011010100"}, {37, "000011010101"}, {38, "000011010110"}, {39, "000011010111"},
    {40, "000001101100"}, {41, "000001101101"}, {42, "000011011010"}, {43, "000011011011"},
    {44, "000001010100"}, {45, "000001010101"}, {46, "000001010110"}, {47, "000001010111"},
    {48, "000001100100"}, {49, "000001100101"}, {50, "000001010010"}, {51, "000001010011"},
    {52, "000000100100"}, {53, "000000110111"}, {54, "000000111000"}, {55, "000000100111"},
    {56, "000000101000"}, {57, "000001011000"}, {58, "000001011001"}, {59, "000000101011"},
    {60, "000000101100"}, {61, "000001011010"}, {62, "000001100110"}, {63, "000001100111"},
    {64, "0000001111"}, {128, "000011001000"}, {192, "000011001001"}, {256, "000001011011"},
    {320, "000000110011"}, {384, "000000110100"}, {448, "000000110101"},
    {512, "0000001101100"}, {576, "0000001101101"}, {640, "0000001001010"},
    {704, "0000001001011"}, {768, "0000001001100"}, {832, "0000001001101"},
    {896, "0000001110010"}, {960, "0000001110011"}, {1024, "0000001110100"},
    {1088, "0000001110101"}, {1152, "0000001110110"}, {1216, "0000001110111"},
    {1280, "0000001010010"}, {1344, "0000001010011"}, {1408, "0000001010100"},
    {1472, "0000001010101"}, {1536, "0000001011010"}, {1600, "0000001011011"},
    {1664, "0000001100100"}, {1728, "0000001100101"},
};

// Make-up codes 1792..2560, shared by both colours.
const CodeWord kExtended[] = {
    {1792, "00000001000"}, {1856, "00000001100"}, {1920, "00000001101"},
    {1984, "000000010010"}, {2048, "000000010011"}, {2112, "000000010100"},
    {2176, "000000010101"}, {2240, "000000010110"}, {2304, "000000010111"},
    {2368, "000000011100"}, {2432, "000000011101"}, {2496, "000000011110"},
    {2560, "000000011111"},
};

const char* const kEol = "000000000001";

// Two-dimensional mode codes; the kind numbers match ModeKind in fax_tables.h.
struct ModeWord {
    int kind;
    int delta;
    const char* bits;
};
const ModeWord kModes[] = {
    {1, 0, "0001"},     // pass
    {2, 0, "001"},      // horizontal
    {3, 0, "1"},        // vertical 0
    {3, 1, "011"},      // vertical right 1
    {3, 2, "000011"},   // vertical right 2
    {3, 3, "0000011"},  // vertical right 3
    {3, -1, "010"},     // vertical left 1
    {3, -2, "000010"},  // vertical left 2
    {3, -3, "0000010"}, // vertical left 3
    {4, 0, "0000001"},  // extension
};

enum RunKind { kInvalid = 0, kTerminating = 1, kMakeUp = 2, kEndOfLine = 3 };

struct RunEntry {
    int run = 0;
    int length = 0;
    int kind = kInvalid;
};

unsigned bitsValue(const std::string& bits) {
    unsigned v = 0;
    for (char c : bits) v = (v << 1) | (c == '1' ? 1u : 0u);
    return v;
}

[[noreturn]] void fail(const char* what, const std::string& bits) {
    std::fprintf(stderr, "gen_fax_tables: %s (%s)\n", what, bits.c_str());
    std::exit(1);
}

// Every index whose top bits equal the code word decodes to that word; a second word claiming
// the same index means the code list has a typo (the codes form a prefix-free set).
void place(std::vector<RunEntry>& table, int indexBits, const std::string& bits, int run, int kind) {
    const int length = static_cast<int>(bits.size());
    if (length > indexBits) fail("code longer than the lookup index", bits);
    const unsigned first = bitsValue(bits) << (indexBits - length);
    const unsigned count = 1u << (indexBits - length);
    for (unsigned i = first; i < first + count; ++i) {
        if (table[i].kind != kInvalid) fail("code words overlap", bits);
        table[i] = RunEntry{run, length, kind};
    }
}

std::vector<RunEntry> buildRunTable(const CodeWord* words, size_t n, int indexBits) {
    std::vector<RunEntry> table(size_t{1} << indexBits);
    for (size_t i = 0; i < n; ++i)
        place(table, indexBits, words[i].bits, words[i].run, words[i].run < 64 ? kTerminating : kMakeUp);
    for (const CodeWord& w : kExtended) place(table, indexBits, w.bits, w.run, kMakeUp);
    place(table, indexBits, kEol, 0, kEndOfLine);
    return table;
}

void emitEncodeTable(std::FILE* out, const char* name, const CodeWord* words, size_t n, bool makeUps) {
    std::fprintf(out, "const CodeWord %s[] = {\n", name);
    int column = 0;
    auto emit = [&](const CodeWord& w) {
        std::fprintf(out, "%s{0x%04x, %2zu},", column == 0 ? "    " : " ", bitsValue(w.bits),
                     std::string(w.bits).size());
        if (++column == 6) {
            std::fprintf(out, "\n");
            column = 0;
        }
    };
    for (size_t i = 0; i < n; ++i)
        if ((words[i].run >= 64) == makeUps) emit(words[i]);
    if (makeUps)
        for (const CodeWord& w : kExtended) emit(w);
    std::fprintf(out, "%s};\n\n", column ? "\n" : "");
}

void emitRunTable(std::FILE* out, const char* name, const std::vector<RunEntry>& table) {
    std::fprintf(out, "const RunEntry %s[%zu] = {\n", name, table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const RunEntry& e = table[i];
        std::fprintf(out, "%s{%d,%d,%d},", i % 8 == 0 ? "    " : " ", e.run, e.length, e.kind);
        if (i % 8 == 7) std::fprintf(out, "\n");
    }
    std::fprintf(out, "};\n\n");
}

void emitModeTable(std::FILE* out) {
    const int indexBits = 7;
    struct Entry {
        int kind = 0, delta = 0, length = 0;
    };
    std::vector<Entry> table(1u << indexBits);
    for (const ModeWord& m : kModes) {
        const std::string bits = m.bits;
        const unsigned first = bitsValue(bits) << (indexBits - bits.size());
        for (unsigned i = first; i < first + (1u << (indexBits - bits.size())); ++i) {
            if (table[i].kind != 0) fail("mode codes overlap", bits);
            table[i] = Entry{m.kind, m.delta, static_cast<int>(bits.size())};
        }
    }
    std::fprintf(out, "const ModeEntry kModeDecode[%zu] = {\n", table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        std::fprintf(out, "%s{%d,%d,%d},", i % 8 == 0 ? "    " : " ", table[i].kind, table[i].delta,
                     table[i].length);
        if (i % 8 == 7) std::fprintf(out, "\n");
    }
    std::fprintf(out, "};\n\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const size_t whiteCount = sizeof kWhite / sizeof kWhite[0];
    const size_t blackCount = sizeof kBlack / sizeof kBlack[0];
    std::fprintf(out,
                 "// GENERATED by kestrel/tools/gen_fax_tables.cpp - do not edit by hand.\n"
                 "// Regenerate: cmake --build BUILD --target kestrel_regenerate_tables\n"
                 "#include \"fax_tables.h\"\n\nnamespace kestrel::tables {\n\n");
    emitEncodeTable(out, "kWhiteTerminating", kWhite, whiteCount, false);
    emitEncodeTable(out, "kWhiteMakeUp", kWhite, whiteCount, true);
    emitEncodeTable(out, "kBlackTerminating", kBlack, blackCount, false);
    emitEncodeTable(out, "kBlackMakeUp", kBlack, blackCount, true);
    emitRunTable(out, "kWhiteDecode", buildRunTable(kWhite, whiteCount, 12));
    emitRunTable(out, "kBlackDecode", buildRunTable(kBlack, blackCount, 13));
    emitModeTable(out);
    std::fprintf(out, "} // namespace kestrel::tables\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
