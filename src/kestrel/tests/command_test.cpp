// The call-block contract: what the caller gets back for good and for broken blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "kestrel/tests/block_builder.h"
#include "kestrel/tests/test_support.h"

namespace kestrel::test {
namespace {

struct RecordingSignal : CompletionSignal {
    std::vector<uint32_t> handles;
    void signal(uint32_t handle) override { handles.push_back(handle); }
};

class CommandTest : public ::testing::Test {
protected:
    Status run() {
        Environment env{block.memory(), files, &completion};
        return executeCallBlock(BlockBuilder::kHeader, env);
    }

    // Sets up an encode of `image` with output capacity `capacity`; returns the output address.
    uint32_t prepareEncode(const Bitmap& image, uint8_t mode, uint8_t k, uint32_t capacity) {
        block.setCommand(kCommandEncode, mode, k);
        block.setWhiteIsZero(image.whiteIsZero);
        block.setImage(200, 200, 0, 0, 1);
        block.setWord(kInputBytes, static_cast<uint32_t>(image.bits.size()));
        block.setWord(kRowBytes, static_cast<uint32_t>(image.stride));
        block.setWord(kRows, image.height);
        block.setWord(kPixelWidth, image.width);
        block.setWord(kInputAddress, block.place(image.bits));
        block.setWord(kOutputBytes, capacity);
        const uint32_t out = block.reserve(capacity);
        block.setWord(kOutputAddress, out);
        return out;
    }

    uint32_t prepareDecode(const std::vector<uint8_t>& coded, const Bitmap& like, uint8_t mode, uint32_t capacity) {
        block.setCommand(kCommandDecode, mode, 0);
        block.setWhiteIsZero(like.whiteIsZero);
        block.setImage(0, 0, 0, 0, 1);
        block.setWord(kInputBytes, static_cast<uint32_t>(coded.size()));
        block.setWord(kRowBytes, static_cast<uint32_t>(like.stride));
        block.setWord(kRows, like.height);
        block.setWord(kPixelWidth, like.width);
        block.setWord(kInputAddress, block.place(coded));
        block.setWord(kOutputBytes, capacity);
        const uint32_t out = block.reserve(capacity + 16);
        std::memset(block.memory().at(out), 0xA5, capacity + 16);
        block.setWord(kOutputAddress, out);
        return out;
    }

    BlockBuilder block;
    StdioFileSystem files;
    RecordingSignal completion;
};

TEST_F(CommandTest, EncodeThenDecodeInMemoryEveryMode) {
    for (uint8_t mode : {1, 3, 4, 5, 6}) {
        for (bool whiteIsZero : {true, false}) {
            const Bitmap image = patternImage(1728, 20, whiteIsZero, mode);
            const uint32_t coded = prepareEncode(image, mode, 4, 1 << 20);
            ASSERT_EQ(run(), kStatusSuccess) << int{mode};
            const std::vector<uint8_t> data = block.read(coded, block.word(kOutputBytes));
            ASSERT_FALSE(data.empty());

            const uint32_t out = prepareDecode(data, image, mode, static_cast<uint32_t>(image.bits.size()));
            ASSERT_EQ(run(), kStatusSuccess) << int{mode};
            EXPECT_EQ(block.word(kOutputBytes), image.bits.size());
            EXPECT_EQ(block.read(out, image.bits.size()), image.bits) << int{mode} << " wiz " << whiteIsZero;
        }
    }
}

TEST_F(CommandTest, StatusWrittenAndEventSignalledAfterwards) {
    block.setCommand(9, 0, 0);
    block.setEvent(0x1234);
    EXPECT_EQ(run(), kStatusUnknownCommand);
    EXPECT_EQ(block.status(), kStatusUnknownCommand);
    EXPECT_EQ(completion.handles, std::vector<uint32_t>{0x1234});
}

TEST_F(CommandTest, NoSignalWithoutCompletionKind) {
    block.setCommand(9, 0, 0);
    run();
    EXPECT_TRUE(completion.handles.empty());
}

TEST_F(CommandTest, BrokenRecordsAreBadMemoryBlocks) {
    const Bitmap image = patternImage(64, 4, true, 1);
    struct Breakage {
        const char* what;
        size_t offset;
        uint32_t value;
        bool word32;
    } cases[] = {
        {"header size", 0, 25, false},         {"buffer record size", 32, 11, false},
        {"image record size", 44, 41, false},  {"buffer record address", 16, 0, true},
        {"image record address", 20, 0x7FFFFFF0, true}, {"parameter block address", 40, 0, true},
    };
    for (const Breakage& c : cases) {
        BlockBuilder fresh;
        block = std::move(fresh);
        prepareEncode(image, 3, 0, 4096);
        c.word32 ? byte_order::WriteLittle32(block.header() + c.offset, c.value)
                 : byte_order::WriteLittle16(block.header() + c.offset, static_cast<uint16_t>(c.value));
        EXPECT_EQ(run(), kStatusBadMemoryBlock) << c.what;
    }
}

TEST_F(CommandTest, UnreachableDataIsABadMemoryBlock) {
    const Bitmap image = patternImage(64, 4, true, 1);
    prepareEncode(image, 3, 0, 4096);
    block.setWord(kInputAddress, 0);
    EXPECT_EQ(run(), kStatusBadMemoryBlock);
    prepareEncode(image, 3, 0, 4096);
    block.setWord(kOutputBytes, 0x7FFFFFFF);
    EXPECT_EQ(run(), kStatusBadMemoryBlock);
}

TEST_F(CommandTest, UnsupportedImagesAndBadParameters) {
    const Bitmap image = patternImage(64, 4, true, 1);
    prepareEncode(image, 3, 0, 4096);
    block.setImage(0, 0, 0, 0, 8);
    EXPECT_EQ(run(), kStatusImageNotSupported) << "8 bits per pixel cannot be coded";
    prepareEncode(image, 3, 0, 4096);
    block.setWord(kRows, 0);
    EXPECT_EQ(run(), kStatusImageNotSupported) << "zero rows";
    prepareEncode(image, 2, 0, 4096);
    EXPECT_EQ(run(), kStatusBadParameter) << "mode 2 does not exist";
    prepareEncode(image, 6, 0, 4096);
    EXPECT_EQ(run(), kStatusBadParameter) << "2D coding needs K";
    prepareEncode(image, 3, 0, 4096);
    block.setWord(kPixelWidth, 65);
    EXPECT_EQ(run(), kStatusBadParameter) << "65 pixels do not fit in 8 bytes";
    prepareEncode(image, 3, 0, 4096);
    block.setWord(kInputBytes, 31);
    EXPECT_EQ(run(), kStatusBadParameter) << "input shorter than its rows";
}

TEST_F(CommandTest, EncodeOutputTooSmallIsAnError) {
    const Bitmap image = patternImage(64, 10, true, 1);
    prepareEncode(image, 1, 0, 8);
    EXPECT_EQ(run(), kStatusError);
    EXPECT_EQ(block.word(kOutputBytes), 0u);
}

TEST_F(CommandTest, DecodeStopsAtOutputCapacity) {
    const Bitmap image = patternImage(64, 10, true, 1);
    const std::vector<uint8_t> coded = encode(CodingMode::Group4, 0, image);
    const uint32_t out = prepareDecode(coded, image, 3, 37);
    EXPECT_EQ(run(), kStatusSuccess);
    EXPECT_EQ(block.word(kOutputBytes), 37u);
    EXPECT_EQ(block.read(out, 37), std::vector<uint8_t>(image.bits.begin(), image.bits.begin() + 37));
    EXPECT_EQ(block.read(out + 37, 16), std::vector<uint8_t>(16, 0xA5)) << "wrote past word 7";
}

TEST_F(CommandTest, WidthFromRowLengthWhenWordEightIsZero) {
    const Bitmap image = patternImage(1728, 6, true, 3);
    const uint32_t coded = prepareEncode(image, 3, 0, 1 << 16);
    block.setWord(kPixelWidth, 0);
    ASSERT_EQ(run(), kStatusSuccess);
    const std::vector<uint8_t> data = block.read(coded, block.word(kOutputBytes));
    EXPECT_EQ(decode(CodingMode::Group4, data, image).bits, image.bits);
}

TEST_F(CommandTest, DamagedStreamIsRepairedOrRefused) {
    const Bitmap image = patternImage(1728, 40, true, 5);
    std::vector<uint8_t> coded = encode(CodingMode::Group3OneDim, 0, image);
    coded[coded.size() / 2] ^= 0x5A;
    prepareDecode(coded, image, 5, static_cast<uint32_t>(image.bits.size()));
    EXPECT_EQ(run(), kStatusRepaired);
    prepareDecode(std::vector<uint8_t>(50, 0), image, 5, static_cast<uint32_t>(image.bits.size()));
    EXPECT_EQ(run(), kStatusError) << "nothing decodable";
}

TEST_F(CommandTest, FileThatCannotBeCreated) {
    const Bitmap image = patternImage(64, 4, true, 1);
    prepareEncode(image, 3, 0, 4096);
    block.setCommand(kCommandWriteFile, 0, 0);
    block.setFileName("/nonexistent-dir/x.tif");
    EXPECT_EQ(run(), kStatusFileError);
    block.setFileName("");
    EXPECT_EQ(run(), kStatusFileError);
}

TEST_F(CommandTest, FileNameWithoutTerminatorIsRefused) {
    BlockBuilder small(0x200 + 16); // the name runs into the arena's end
    block = std::move(small);
    block.setCommand(kCommandWriteFile, 0, 0);
    std::memset(block.memory().at(BlockBuilder::kName), 'a', 16);
    EXPECT_EQ(run(), kStatusBadMemoryBlock);
}

TEST_F(CommandTest, UnreachableHeaderReturnsWithoutTouchingAnything) {
    Environment env{block.memory(), files, &completion};
    EXPECT_EQ(executeCallBlock(0, env), kStatusBadMemoryBlock);
    EXPECT_EQ(executeCallBlock(BlockBuilder::kBase + (1 << 24) - 10, env), kStatusBadMemoryBlock);
    EXPECT_TRUE(completion.handles.empty());
}

} // namespace
} // namespace kestrel::test
