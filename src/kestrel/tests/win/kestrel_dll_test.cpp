// KESTREL.DLL as the program meets it: loaded by path, driven through call blocks laid out byte by
// byte in low memory, answered through the status word, parameter word 7, the completion event and
// the files it writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "kestrel/core/call_block.h"
#include "kestrel/core/fax_codec.h"
#include "kestrel/tests/win/low_memory.h"
#include "kestrel/tests/test_support.h"
#include "kestrel/core/tiff_writer.h"
#include "kestrel/win/win_handles.h"

namespace kestrel::test {
namespace {

using GetInfoFunction = DWORD(WINAPI*)();
using ExecFunction = WORD(WINAPI*)(void*);

// Offsets inside the test's low memory.
constexpr size_t kHeader = 0;        // header, file, buffer and image records: 84 bytes
constexpr size_t kParams = 0x100;
constexpr size_t kName = 0x200;
constexpr size_t kData = 0x1000;
constexpr size_t kPage = 4096;
constexpr size_t kDataBytes = size_t{8} << 20;
// Behind the data: one read-only page, then one page that is reserved but not committed.
constexpr size_t kReadOnlyPage = kData + kDataBytes;
constexpr size_t kMissingPage = kReadOnlyPage + kPage;
constexpr size_t kArenaBytes = kMissingPage + kPage;

class UniqueModule {
public:
    explicit UniqueModule(HMODULE module) : module_(module) {}
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    ~UniqueModule() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

std::string besideThisProgram(const char* fileName) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + fileName;
}

template <typename Function>
Function entryPoint(HMODULE module, const char* name) {
    // Through a generic function pointer: the entry's real type is only known here.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

using byte_order::WriteBig16;
using byte_order::WriteBig32;
using byte_order::WriteLittle16;
using byte_order::WriteLittle32;

// Collects what the core's TIFF writer produces, for comparison with the DLL's file.
class CollectedFile : public OutputFile {
public:
    bool write(ConstByteSpan bytes) override {
        bytes_.insert(bytes_.end(), bytes.data, bytes.data + bytes.size);
        return true;
    }
    bool commit() override { return true; }
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> tiffBytes(const TiffImage& image, const std::vector<uint8_t>& strip) {
    CollectedFile file;
    writeTiff(file, image, ConstByteSpan{strip.data(), strip.size()});
    return file.bytes_;
}

std::vector<uint8_t> readWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string tempFile(const char* name) {
    char folder[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    return std::string(folder, length < MAX_PATH ? length : 0) + "kestrel_dll_test_" +
           std::to_string(GetCurrentProcessId()) + "_" + name;
}

class KestrelDll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library_.get()) << "KESTREL.DLL not found beside the test";
        exec_ = entryPoint<ExecFunction>(library_.get(), "ExecKSTLImage");
        ASSERT_TRUE(exec_);
        ASSERT_TRUE(memory_.valid()) << "no free memory below 4 GB";
        ASSERT_TRUE(memory_.protect(kReadOnlyPage, kPage, PAGE_READONLY));
        ASSERT_TRUE(memory_.decommit(kMissingPage, kPage));
        layOutBlock();
    }

    // The block as the program lays it out: header and the three records back to back.
    void layOutBlock() {
        uint8_t* h = at(kHeader);
        std::memset(h, 0, kData);
        WriteLittle16(h, 24);
        WriteLittle32(h + 16, memory_.address(kHeader + 32));
        WriteLittle32(h + 20, memory_.address(kHeader + 44));
        WriteLittle16(h + 24, 8);
        WriteLittle32(h + 28, memory_.address(kName));
        WriteLittle16(h + 32, 12);
        WriteLittle32(h + 40, memory_.address(kParams));
        WriteLittle16(h + 44, 40);
    }

    void setCommand(uint8_t command, uint8_t mode, uint8_t k, bool whiteIsZero = true) {
        uint8_t* h = at(kHeader);
        h[2] = command;
        WriteLittle32(h + 12, command == 0 ? memory_.address(kHeader + 24) : 0);
        h[34] = command == 0 ? 1 : 2;          // direction: file or memory
        h[35] = whiteIsZero ? 0x03 : 0x83;     // the program's third argument, bit 7 for white-is-one
        setWord(0, command == 2 ? (mode | k << 8) : (uint32_t{mode} << 16 | uint32_t{k} << 24));
    }
    void setImage(uint16_t xDpi, uint16_t yDpi, uint32_t width1200, uint32_t length1200, uint8_t bitsPerPixel) {
        uint8_t* r = at(kHeader + 44);
        WriteBig16(r + 2, xDpi);
        WriteBig16(r + 4, yDpi);
        WriteBig32(r + 14, width1200);
        WriteBig32(r + 18, length1200);
        r[26] = bitsPerPixel;
    }
    void attachEvent(HANDLE event) {
        WriteLittle16(at(kHeader + 4), 2);
        WriteLittle32(at(kHeader + 8), static_cast<uint32_t>(HandleToLong(event)));
    }
    void setFileName(const std::string& name) { std::memcpy(at(kName), name.c_str(), name.size() + 1); }
    void setWord(size_t index, uint32_t value) { WriteLittle32(at(kParams + 4 * index), value); }
    uint32_t word(size_t index) { return byte_order::ReadLittle32(at(kParams + 4 * index)); }
    uint16_t status() { return byte_order::ReadLittle16(at(kHeader + 6)); }

    // Copies bytes into the data area; returns their offset.
    size_t place(const std::vector<uint8_t>& bytes) {
        const size_t offset = reserve(bytes.size());
        if (!bytes.empty()) std::memcpy(at(offset), bytes.data(), bytes.size());
        return offset;
    }
    size_t reserve(size_t bytes) {
        const size_t offset = next_;
        next_ += (bytes + 15) / 16 * 16 + 16;
        EXPECT_LE(next_, kReadOnlyPage);
        return offset;
    }
    std::vector<uint8_t> bytesAt(size_t offset, size_t count) { return std::vector<uint8_t>(at(offset), at(offset) + count); }

    // Rows in: word 1 input bytes, 2 row bytes, 3 rows, 5 input, 8 pixel width.
    void setRows(const Bitmap& image, size_t input, size_t inputBytes) {
        setWord(kInputBytes, static_cast<uint32_t>(inputBytes));
        setWord(kRowBytes, static_cast<uint32_t>(image.stride));
        setWord(kRows, image.height);
        setWord(kInputAddress, memory_.address(input));
        setWord(kPixelWidth, image.width);
    }
    void setOutput(size_t output, size_t capacity) {
        setWord(kOutputAddress, memory_.address(output));
        setWord(kOutputBytes, static_cast<uint32_t>(capacity));
    }

    WORD run() { return exec_(at(kHeader)); }
    uint8_t* at(size_t offset) { return memory_.data() + offset; }

    UniqueModule library_{LoadLibraryA(besideThisProgram("KESTREL.DLL").c_str())};
    ExecFunction exec_ = nullptr;
    LowMemory memory_{kArenaBytes};
    size_t next_ = kData;
};

struct ModeCase {
    CodingMode mode;
    unsigned k;
};
const ModeCase kModes[] = {{CodingMode::ModifiedHuffman, 0}, {CodingMode::Group4, 0},
                           {CodingMode::Group3FilledEol, 0}, {CodingMode::Group3OneDim, 0},
                           {CodingMode::Group3TwoDim, 2}};

TEST_F(KestrelDll, ExportsBothEntryPointsUndecorated) {
    const auto getInfo = entryPoint<GetInfoFunction>(library_.get(), "GetKSTLInfo");
    ASSERT_TRUE(getInfo);
    EXPECT_NE(getInfo(), 0u);
    EXPECT_EQ(GetProcAddress(library_.get(), "ExecKSTLImage@4"), nullptr);
}

TEST_F(KestrelDll, EncodesInMemoryLikeTheCoreAndReportsTheBytesInWord7) {
    for (bool whiteIsZero : {true, false}) {
        const Bitmap image = patternImage(1728, 40, whiteIsZero, 7);
        for (const ModeCase& c : kModes) {
            SCOPED_TRACE(static_cast<int>(c.mode));
            layOutBlock();
            next_ = kData;
            setCommand(2, static_cast<uint8_t>(c.mode), static_cast<uint8_t>(c.k), whiteIsZero);
            const size_t input = place(image.bits);
            const size_t output = reserve(image.bits.size() * 2);
            setRows(image, input, image.bits.size());
            setOutput(output, image.bits.size() * 2);
            EXPECT_EQ(run(), kStatusSuccess);
            EXPECT_EQ(status(), kStatusSuccess);
            const std::vector<uint8_t> expected = encode(c.mode, c.k, image);
            ASSERT_EQ(word(kOutputBytes), expected.size());
            const std::vector<uint8_t> produced = bytesAt(output, expected.size());
            EXPECT_EQ(produced, expected);
            EXPECT_EQ(firstDifference(image, decode(c.mode, produced, image)), "");
        }
    }
}

TEST_F(KestrelDll, DecodesInMemoryAndRepairsDamage) {
    const Bitmap image = patternImage(2480, 30, true, 11);
    for (const ModeCase& c : kModes) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        layOutBlock();
        next_ = kData;
        std::vector<uint8_t> coded = encode(c.mode, c.k, image);
        setCommand(3, static_cast<uint8_t>(c.mode), static_cast<uint8_t>(c.k));
        const size_t input = place(coded);
        const size_t output = reserve(image.bits.size());
        setRows(image, input, coded.size());
        setOutput(output, image.bits.size());
        EXPECT_EQ(run(), kStatusSuccess);
        ASSERT_EQ(word(kOutputBytes), image.bits.size());
        Bitmap decoded = image;
        decoded.bits = bytesAt(output, image.bits.size());
        EXPECT_EQ(firstDifference(image, decoded), "");

        // The second half cut off: the first rows survive, the rest is white.
        setWord(kInputBytes, static_cast<uint32_t>(coded.size() / 2));
        setWord(kOutputBytes, static_cast<uint32_t>(image.bits.size()));
        EXPECT_EQ(run(), kStatusRepaired);
        EXPECT_EQ(status(), kStatusRepaired);
    }
}

TEST_F(KestrelDll, DecodeNeverWritesPastWord7) {
    const Bitmap image = patternImage(1728, 20, true, 3);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    setCommand(3, 3, 0);
    const size_t input = place(coded);
    const size_t output = reserve(image.bits.size());
    std::memset(at(output), 0xA5, image.bits.size());
    setRows(image, input, coded.size());
    const size_t capacity = image.stride * 5 + 7;
    setOutput(output, capacity);
    EXPECT_EQ(run(), kStatusSuccess);
    EXPECT_EQ(word(kOutputBytes), capacity);
    EXPECT_EQ(*at(output + capacity), 0xA5);
}

TEST_F(KestrelDll, WritesRawRowsAsTheCoreWouldAndPreEncodedDataAsOneStrip) {
    const Bitmap image = patternImage(1728, 25, true, 5);
    TiffImage expectedImage;
    expectedImage.width = 1728;
    expectedImage.height = 25;
    expectedImage.xDpi = 200;
    expectedImage.yDpi = 100;
    const std::string name = tempFile("raw.tif");

    setCommand(0, 0, 0);
    setImage(200, 100, 1728 * 6, 25 * 12, 1);
    setFileName(name);
    setRows(image, place(image.bits), image.bits.size());
    EXPECT_EQ(run(), kStatusSuccess);
    EXPECT_EQ(readWholeFile(name), tiffBytes(expectedImage, image.bits));

    for (const ModeCase& c : kModes) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        const std::vector<uint8_t> coded = encode(c.mode, c.k, image);
        setCommand(0, static_cast<uint8_t>(c.mode), static_cast<uint8_t>(c.k));
        setRows(image, place(coded), coded.size());
        EXPECT_EQ(run(), kStatusSuccess);
        const std::vector<uint8_t> file = readWholeFile(name);
        expectedImage.coding = c.mode;
        EXPECT_EQ(file, tiffBytes(expectedImage, coded));
        ASSERT_GE(file.size(), 8 + coded.size());
        const std::vector<uint8_t> strip(file.begin() + 8, file.begin() + 8 + static_cast<std::ptrdiff_t>(coded.size()));
        EXPECT_EQ(firstDifference(image, decode(c.mode, strip, image)), "");
    }
    DeleteFileA(name.c_str());
}

TEST_F(KestrelDll, UnwritableFileGives128AndLeavesNoFile) {
    const Bitmap image = patternImage(64, 4, true, 1);
    const std::string name = tempFile("no_such_folder\\page.tif");
    setCommand(0, 0, 0);
    setImage(200, 200, 0, 0, 1);
    setFileName(name);
    setRows(image, place(image.bits), image.bits.size());
    EXPECT_EQ(run(), kStatusFileError);
    EXPECT_FALSE(fileExists(name));

    setFileName("");
    EXPECT_EQ(run(), kStatusFileError);
}

// One fault at a time in an otherwise good encode block, each with its own status.
TEST_F(KestrelDll, RefusesFaultyBlocksWithTheirStatus) {
    const Bitmap image = patternImage(256, 8, true, 2);
    auto goodEncodeBlock = [&] {
        layOutBlock();
        next_ = kData;
        setCommand(2, 3, 0);
        setRows(image, place(image.bits), image.bits.size());
        setOutput(reserve(4096), 4096);
    };
    goodEncodeBlock();
    EXPECT_EQ(run(), kStatusSuccess);

    goodEncodeBlock();
    at(kHeader)[2] = 1;
    EXPECT_EQ(run(), kStatusUnknownCommand);
    EXPECT_EQ(status(), kStatusUnknownCommand);

    goodEncodeBlock();
    WriteLittle32(at(kHeader + 16), 0); // no buffer record
    EXPECT_EQ(run(), kStatusBadMemoryBlock);

    goodEncodeBlock();
    WriteLittle16(at(kHeader + 44), 39); // image record of the wrong size
    EXPECT_EQ(run(), kStatusBadMemoryBlock);

    goodEncodeBlock();
    setWord(0, 7); // no such coding mode
    EXPECT_EQ(run(), kStatusBadParameter);

    goodEncodeBlock();
    setWord(0, 6); // T.4 2D without K
    EXPECT_EQ(run(), kStatusBadParameter);

    goodEncodeBlock();
    setImage(0, 0, 0, 0, 8);
    EXPECT_EQ(run(), kStatusImageNotSupported);

    goodEncodeBlock();
    setWord(kRows, 0);
    EXPECT_EQ(run(), kStatusImageNotSupported);

    goodEncodeBlock();
    setWord(kOutputBytes, 4);
    EXPECT_EQ(run(), kStatusError);
    EXPECT_EQ(word(kOutputBytes), 0u);
}

// Memory the block names but the process cannot give: read-only where output goes, reserved pages
// inside an input span, the parameter block itself out of reach.
TEST_F(KestrelDll, RefusesMemoryThatIsNotCommittedOrNotWritable) {
    const Bitmap image = patternImage(256, 8, true, 2);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    auto goodDecodeBlock = [&] {
        layOutBlock();
        next_ = kData;
        setCommand(3, 3, 0);
        setRows(image, place(coded), coded.size());
        setOutput(reserve(image.bits.size()), image.bits.size());
    };
    goodDecodeBlock();
    EXPECT_EQ(run(), kStatusSuccess);

    goodDecodeBlock();
    setOutput(kReadOnlyPage, image.bits.size());
    EXPECT_EQ(run(), kStatusBadMemoryBlock);

    goodDecodeBlock();
    const size_t straddling = kReadOnlyPage + kPage - 8; // readable, then reserved only
    setWord(kInputAddress, memory_.address(straddling));
    EXPECT_EQ(run(), kStatusBadMemoryBlock);

    goodDecodeBlock();
    setWord(kInputAddress, memory_.address(kReadOnlyPage)); // read-only input is fine (zeros: not a code)
    setWord(kInputBytes, 64);
    EXPECT_NE(run(), kStatusBadMemoryBlock);

    goodDecodeBlock();
    WriteLittle32(at(kHeader + 40), memory_.address(kMissingPage)); // parameter block unreachable
    EXPECT_EQ(run(), kStatusBadMemoryBlock);

    goodDecodeBlock();
    setWord(kInputAddress, 0x00000010); // the never-mapped first page
    EXPECT_EQ(run(), kStatusBadMemoryBlock);
}

TEST_F(KestrelDll, FileNameMustBeReadableAndTerminated) {
    const Bitmap image = patternImage(64, 4, true, 1);
    setCommand(0, 0, 0);
    setImage(200, 200, 0, 0, 1);
    setRows(image, place(image.bits), image.bits.size());
    WriteLittle32(at(kHeader + 28), memory_.address(kMissingPage - 4)); // runs into the reserved page
    ASSERT_TRUE(memory_.protect(kReadOnlyPage, kPage, PAGE_READWRITE));
    std::memcpy(at(kMissingPage - 4), "abcd", 4);
    ASSERT_TRUE(memory_.protect(kReadOnlyPage, kPage, PAGE_READONLY));
    EXPECT_EQ(run(), kStatusBadMemoryBlock);
}

struct ExecCall {
    ExecFunction exec;
    void* header;
};
DWORD WINAPI runOnThread(void* parameter) {
    auto* call = static_cast<ExecCall*>(parameter);
    return call->exec(call->header);
}

TEST_F(KestrelDll, SignalsTheEventOnlyAfterTheStatusIsWritten) {
    win::UniqueEvent event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const Bitmap image = patternImage(1728, 200, true, 9);
    setCommand(2, 3, 0);
    setRows(image, place(image.bits), image.bits.size());
    setOutput(reserve(image.bits.size() * 4), image.bits.size() * 4); // noise codes longer than raw
    attachEvent(event.get());

    // As in the program: the caller waits on the event and reads the status as soon as it is set.
    ExecCall call{exec_, at(kHeader)};
    win::UniqueHandle<win::nullHandle> worker(CreateThread(nullptr, 0, runOnThread, &call, 0, nullptr));
    ASSERT_TRUE(worker);
    ASSERT_EQ(WaitForSingleObject(event.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(status(), kStatusSuccess);
    WaitForSingleObject(worker.get(), 10000);

    // Completion kind 0: no event attached, none signalled.
    WriteLittle16(at(kHeader + 4), 0);
    WriteLittle16(at(kHeader + 6), 0);
    EXPECT_EQ(run(), kStatusSuccess);
    EXPECT_EQ(status(), kStatusSuccess);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // A failed command signals too.
    WriteLittle16(at(kHeader + 4), 2);
    at(kHeader)[2] = 9;
    EXPECT_EQ(run(), kStatusUnknownCommand);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

TEST_F(KestrelDll, UnreachableHeaderIsNeitherWrittenNorSignalled) {
    win::UniqueEvent event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    attachEvent(event.get());
    EXPECT_EQ(exec_(at(kReadOnlyPage)), kStatusBadMemoryBlock); // the status cannot be written there
    EXPECT_EQ(exec_(at(kMissingPage)), kStatusBadMemoryBlock);
    EXPECT_EQ(exec_(nullptr), kStatusBadMemoryBlock);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

} // namespace
} // namespace kestrel::test
