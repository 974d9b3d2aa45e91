#include "Md5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TempHome.h"
#include "TestSupport.h"

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, BytesFormAndPieceByPieceGiveTheSameDigest) {
    const std::string text = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(md5Hex(text.data(), text.size()), "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(md5Hex(nullptr, 0), "d41d8cd98f00b204e9800998ecf8427e");

    std::string long_(100000, '\0');
    std::mt19937 random(3);
    for (char& c : long_) c = static_cast<char>(random());
    const std::string whole = md5Hex(long_);
    Md5 md5;
    size_t at = 0;
    for (size_t piece = 1; at < long_.size(); piece = piece * 3 % 1000 + 1) {
        size_t take = std::min(piece, long_.size() - at);
        md5.update(long_.data() + at, take);
        at += take;
    }
    EXPECT_EQ(Md5::toHex(md5.finish()), whole);
    // finish() starts over.
    md5.update("abc", 3);
    EXPECT_EQ(Md5::toHex(md5.finish()), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, AgreesWithMd5sumAroundBlockBoundaries) {
    TempHome home;
    std::mt19937 random(11);
    std::string data(1 << 20, '\0');
    for (char& c : data) c = static_cast<char>(random());
    const std::string path = home.folder() + "data.bin";
    const std::string digestPath = home.folder() + "digest.txt";
    for (size_t length : {size_t{55}, size_t{56}, size_t{57}, size_t{63}, size_t{64}, size_t{65}, size_t{119},
                          size_t{120}, size_t{128}, data.size()}) {
        ASSERT_TRUE(writeWholeFile(path, data.substr(0, length)));
        ASSERT_EQ(runCommand({"md5sum", path}, digestPath), 0);
        const std::string reference = readWholeFile(digestPath).value_or("").substr(0, 32);
        EXPECT_EQ(md5Hex(data.data(), length), reference) << length;
    }
}
