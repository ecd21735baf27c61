// tests/unit/protocol/stream_zip_test.cpp: CStream images and CZipCompressor blobs, including
// what a hostile or cut-short input does to them.
#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/stream.h"
#include "Addressbook/protocol/zip_compressor.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

namespace
{
TEST(StreamTest, ItemsComeBackInOrderThenAnEmptyRead)
{
    CStream stream;
    ASSERT_TRUE(stream.Write("abc", 3));
    ASSERT_TRUE(stream.Write("", 0));
    ASSERT_TRUE(stream.Write("defgh", 5));
    std::vector<uint8_t> image;
    ASSERT_TRUE(stream.GetStream(image));
    EXPECT_EQ(ToHex(image), "18000000"
                            "03000000616263"
                            "00000000"
                            "050000006465666768");

    CStream reader;
    ASSERT_TRUE(reader.SetStream(image.data(), image.size()));
    std::vector<uint8_t> item;
    for (const char* expected : {"abc", "", "defgh"})
    {
        ASSERT_TRUE(reader.Read(item));
        EXPECT_EQ(item, BytesOf(expected));
    }
    EXPECT_TRUE(reader.AtEnd());
    ASSERT_TRUE(reader.Read(item)) << "reading at the end succeeds without an item";
    EXPECT_TRUE(item.empty());
}

TEST(StreamTest, TruncatedAndLyingImagesFailCleanly)
{
    CStream stream;
    ASSERT_TRUE(stream.Write("abcdef", 6));
    std::vector<uint8_t> image;
    ASSERT_TRUE(stream.GetStream(image));

    CStream reader;
    EXPECT_FALSE(reader.SetStream(nullptr, 10));
    EXPECT_FALSE(reader.SetStream(image.data(), 3));
    EXPECT_FALSE(reader.SetStream(image.data(), image.size() - 1)) << "header longer than the buffer";
    EXPECT_EQ(reader.Error().Id(), 400u);

    std::vector<uint8_t> item;
    std::vector<uint8_t> lying = image;
    PutU32(lying.data() + 4, 0xFFFFFFF0); // an item far bigger than the image
    ASSERT_TRUE(reader.SetStream(lying.data(), lying.size()));
    EXPECT_FALSE(reader.Read(item));
    EXPECT_EQ(reader.Error().Text(), "Invalid or truncated data in 'CStream::Read'.");

    std::vector<uint8_t> stub = image;
    PutU32(stub.data(), 6); // two bytes after the header: not even an item count
    ASSERT_TRUE(reader.SetStream(stub.data(), stub.size()));
    EXPECT_FALSE(reader.Read(item));
}

TEST(ZipCompressorTest, BlobStartsWithTheUncompressedLength)
{
    CZipCompressor zip;
    std::vector<uint8_t> blob, back;
    const uint8_t nul = 0;
    ASSERT_TRUE(zip.Compress(&nul, 1, blob));
    EXPECT_EQ(ToHex(std::vector<uint8_t>(blob.begin(), blob.begin() + 4)), "01000000");
    ASSERT_TRUE(zip.Uncompress(blob.data(), blob.size(), back));
    EXPECT_EQ(back, std::vector<uint8_t>(1, 0));

    ASSERT_TRUE(zip.Compress("", 0, blob));
    ASSERT_TRUE(zip.Uncompress(blob.data(), blob.size(), back));
    EXPECT_TRUE(back.empty());
}

TEST(ZipCompressorTest, IncompressibleDataAboveOneBlockRoundTrips)
{
    CZipCompressor zip;
    for (size_t size : {1000u, 65536u, 300000u})
    {
        const std::vector<uint8_t> data = RandomBytes(size, 6);
        std::vector<uint8_t> blob, back;
        ASSERT_TRUE(zip.Compress(data.data(), data.size(), blob)) << size << ": " << zip.Error().Text();
        ASSERT_TRUE(zip.Uncompress(blob.data(), blob.size(), back));
        EXPECT_EQ(back, data);
    }
}

TEST(ZipCompressorTest, TheDensestBlobAtTheCapDecodes)
{
    // A run of one byte is deflate's best case; at the cap it is the longest blob for its size
    // that the gateway can send, and it sits close to the bound the header is checked against.
    CZipCompressor zip;
    const std::vector<uint8_t> data(kMaxUncompressedSize, 'A');
    std::vector<uint8_t> blob, back;
    ASSERT_TRUE(zip.Compress(data.data(), data.size(), blob)) << zip.Error().Text();
    EXPECT_GT(data.size() / blob.size(), 1000u);
    ASSERT_TRUE(zip.Uncompress(blob.data(), blob.size(), back)) << zip.Error().Text();
    EXPECT_TRUE(back == data);
}

TEST(ZipCompressorTest, ClaimsTheBytesCannotInflateToAreRefusedBeforeInflating)
{
    CZipCompressor zip;
    const std::vector<uint8_t> kept = BytesOf("kept");
    std::vector<uint8_t> out = kept;
    // A complete zlib stream of nothing behind a header that claims the cap: 10 bytes in all.
    std::vector<uint8_t> hostile = {0, 0, 0, 0, 0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    PutU32(hostile.data(), kMaxUncompressedSize);
    EXPECT_FALSE(zip.Uncompress(hostile.data(), hostile.size(), out));
    EXPECT_EQ(zip.Error().Text(), "Invalid or truncated data in 'CZipCompressor::Uncompress'.")
        << "refused on its header, not after inflating into a buffer of the claimed size";
    EXPECT_EQ(out, kept);
    PutU32(hostile.data(), 0);
    ASSERT_TRUE(zip.Uncompress(hostile.data(), hostile.size(), out)) << "the same stream, honestly framed";
    EXPECT_TRUE(out.empty());

    // One compressed byte inflates to at most 1032; the claim is measured against that.
    const std::string text(5000, 'x');
    std::vector<uint8_t> blob;
    ASSERT_TRUE(zip.Compress(text.data(), text.size(), blob));
    const uint32_t bound = static_cast<uint32_t>(1032 * (blob.size() - 4));
    PutU32(blob.data(), bound + 1);
    EXPECT_FALSE(zip.Uncompress(blob.data(), blob.size(), out));
    EXPECT_EQ(zip.Error().Text(), "Invalid or truncated data in 'CZipCompressor::Uncompress'.");
    PutU32(blob.data(), bound);
    EXPECT_FALSE(zip.Uncompress(blob.data(), blob.size(), out)) << "within the bound, but longer than the stream";
    EXPECT_EQ(zip.Error().Text(), "Function 'uncompress' failed in 'CZipCompressor::Uncompress'.");
    EXPECT_EQ(out, std::vector<uint8_t>()) << "the empty result of the last success stays";
}

TEST(ZipCompressorTest, HostileAndTruncatedBlobsFail)
{
    CZipCompressor zip;
    const std::string text(5000, 'x');
    std::vector<uint8_t> blob, out;
    ASSERT_TRUE(zip.Compress(text.data(), text.size(), blob));

    std::vector<uint8_t> huge = blob;
    PutU32(huge.data(), 0xFFFFFFFF);
    EXPECT_FALSE(zip.Uncompress(huge.data(), huge.size(), out)) << "no 4 GiB allocation on a header's word";
    EXPECT_EQ(zip.Error().Text(), "Invalid or truncated data in 'CZipCompressor::Uncompress'.");
    PutU32(huge.data(), kMaxUncompressedSize + 1);
    EXPECT_FALSE(zip.Uncompress(huge.data(), huge.size(), out));

    for (uint32_t claimed : {4999u, 5001u, 0u})
    {
        std::vector<uint8_t> wrong = blob;
        PutU32(wrong.data(), claimed);
        EXPECT_FALSE(zip.Uncompress(wrong.data(), wrong.size(), out)) << claimed;
        EXPECT_EQ(zip.Error().Text(), "Function 'uncompress' failed in 'CZipCompressor::Uncompress'.");
    }
    EXPECT_FALSE(zip.Uncompress(blob.data(), blob.size() - 3, out)) << "cut stream";
    EXPECT_FALSE(zip.Uncompress(blob.data(), 3, out));
    std::vector<uint8_t> framed = RandomBytes(68, 8); // a plausible header over garbage
    PutU32(framed.data(), 16);
    EXPECT_FALSE(zip.Uncompress(framed.data(), framed.size(), out));

    EXPECT_FALSE(zip.Compress(nullptr, 3, out));
    EXPECT_EQ(zip.Error().Text(), "Incorrect arguments passed to procedure 'CZipCompressor::Compress'.");
    EXPECT_FALSE(zip.Uncompress(nullptr, 3, out));
    EXPECT_EQ(zip.Error().Text(), "Incorrect arguments passed to procedure 'CZipCompressor::Uncompress'.");
}
} // namespace
