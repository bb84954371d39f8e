// The splay-tree code against bit streams worked out by hand from the tree
// rules. With the initial complete tree the path of byte b is the 8-bit
// binary form of b + 1, most significant bit first (leaf b + 256 is heap
// node 257 + b); byte 255 sits one level deeper (9 zero bits). Bits are
// packed least significant first, so the first code byte of b is b + 1 with
// its bits reversed.
#include "output/pages/qrcompress.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace
{
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}
} // namespace

TEST(Compress, FirstByteUsesTheInitialTree)
{
    // 0 -> path 00000001 -> packed 0x80; 65 -> 01000010 -> 0x42; 254 -> 11111111 -> 0xFF.
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({0})), bytes({0x80}));
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({65})), bytes({0x42}));
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({254})), bytes({0xFF}));
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({2})), bytes({0xC0})); // 00000011
}

TEST(Compress, ByteOf255TakesNineBitsAndPadsTheLastByte)
{
    // Nine zero bits: one full byte and one padded byte.
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({255})), bytes({0x00, 0x00}));
}

TEST(Compress, SplayingShortensARepeatedByte)
{
    // After splay(0) the leaf of 0 hangs at 0 -R-> 3 -R-> 15 -R-> 63 -R-> 256:
    // the second 0 costs 1111 (0x0F after padding). After the second splay it
    // hangs at 0 -L-> 15 -L-> 256: the third 0 costs 00, still inside the same byte.
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({0, 0})), bytes({0x80, 0x0F}));
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({0, 0, 0})), bytes({0x80, 0x0F}));
}

TEST(Compress, SplayMovesNeighbouringLeaves)
{
    // After splay(0) the leaf of 1 (node 257) is reached by
    // 0 -R-> 3 -R-> 15 -R-> 63 -L-> 127 -R-> 128 -L-> 257: bits 111010, packed 0x17.
    EXPECT_EQ(TQRCompress::CompressBytes(bytes({0, 1})), bytes({0x80, 0x17}));
}

TEST(Compress, DecodesHandMadeStreams)
{
    QByteArray out;
    ASSERT_TRUE(TQRCompress::ExpandBytes("\x80\x0F", 2, 3, &out));
    EXPECT_EQ(out, bytes({0, 0, 0}));
    ASSERT_TRUE(TQRCompress::ExpandBytes("\x80\x0F", 2, 2, &out));
    EXPECT_EQ(out, bytes({0, 0}));
    ASSERT_TRUE(TQRCompress::ExpandBytes("\x80\x17", 2, 2, &out));
    EXPECT_EQ(out, bytes({0, 1}));
    ASSERT_TRUE(TQRCompress::ExpandBytes("\x00\x00", 2, 1, &out));
    EXPECT_EQ(out, bytes({255}));
    ASSERT_TRUE(TQRCompress::ExpandBytes("", 0, 0, &out));
    EXPECT_TRUE(out.isEmpty());
}

TEST(Compress, DamagedStreamsAreRefused)
{
    QByteArray out;
    // Runs out of bits.
    EXPECT_FALSE(TQRCompress::ExpandBytes("\x80", 1, 2, &out));
    EXPECT_TRUE(out.isEmpty());
    // Eight zero bits then a one: the unused leaf 512.
    EXPECT_FALSE(TQRCompress::ExpandBytes("\x00\x01", 2, 1, &out));
    // A length no bit stream of that size can hold.
    EXPECT_FALSE(TQRCompress::ExpandBytes("\x80", 1, 9, &out));
    EXPECT_FALSE(TQRCompress::ExpandBytes("\x80", 1, -1, &out));
}

TEST(Compress, RoundTripsEveryByteValueAndRandomData)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    for (int i = 255; i >= 0; --i)
        all.append(char(i));
    QByteArray random(20000, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (char &c : random)
        c = char(gen.bounded(256));
    QByteArray skewed(20000, 'a');
    for (int i = 0; i < skewed.size(); i += 7)
        skewed[i] = char(i % 13);
    for (const QByteArray &input : {all, random, skewed}) {
        const QByteArray packed = TQRCompress::CompressBytes(input);
        QByteArray out;
        ASSERT_TRUE(TQRCompress::ExpandBytes(packed.constData(), packed.size(), input.size(), &out));
        EXPECT_EQ(out, input);
    }
    // Skewed data really shrinks.
    EXPECT_LT(TQRCompress::CompressBytes(skewed).size(), skewed.size() / 2);
}

TEST(Compress, ResetStartsAFreshTree)
{
    TQRCompress c;
    QByteArray out;
    c.Compress(0, out);
    c.Finish(out);
    c.Reset();
    c.Compress(0, out);
    c.Finish(out);
    // The second 0 is coded like the first again.
    EXPECT_EQ(out, bytes({0x80, 0x80}));
}

TEST(Compress, WholeBufferCoderMatchesTheByteCoder)
{
    // The page list codes whole pages into a buffer it reuses; the bits must
    // be exactly those of the byte-by-byte coder, however the buffer was left.
    QRandomGenerator gen(7);
    QByteArray reused;
    for (int size : {0, 1, 7, 8, 9, 63, 64, 65, 1000, 70000}) {
        QByteArray input(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            input[i] = char(i % 5 == 0 ? gen.bounded(256) : 'x' + i % 3);
        const QByteArray expected = TQRCompress::CompressBytes(input);
        const qsizetype n = TQRCompress::CompressInto(input.constData(), input.size(), &reused);
        EXPECT_EQ(reused.left(n), expected) << size;
    }
    // A byte of 255 after a long run takes the deepest paths the tree has.
    QByteArray deep(300, char(0));
    deep.append(char(255));
    const qsizetype n = TQRCompress::CompressInto(deep.constData(), deep.size(), &reused);
    QByteArray out;
    ASSERT_TRUE(TQRCompress::ExpandBytes(reused.constData(), n, deep.size(), &out));
    EXPECT_EQ(out, deep);
}
