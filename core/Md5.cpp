#include "Md5.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t INITIAL_STATE[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

inline uint32_t rotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t loadLittleEndian(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The four auxiliary functions of RFC 1321, section 3.4 (F and G in their cheaper equivalent forms).
inline uint32_t f(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline uint32_t g(uint32_t x, uint32_t y, uint32_t z) {
    return y ^ (z & (x ^ y));
}
inline uint32_t h(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ y ^ z;
}
inline uint32_t i(uint32_t x, uint32_t y, uint32_t z) {
    return y ^ (x | ~z);
}

}  // namespace

Md5::Md5() {
    std::memcpy(state_, INITIAL_STATE, sizeof(state_));
}

void Md5::update(const void* bytes, size_t count) {
    if (!bytes || count == 0) return;
    const auto* in = static_cast<const unsigned char*>(bytes);
    totalBytes_ += count;
    if (pendingCount_ > 0) {
        size_t take = std::min(count, sizeof(pending_) - pendingCount_);
        std::memcpy(pending_ + pendingCount_, in, take);
        pendingCount_ += take;
        in += take;
        count -= take;
        if (pendingCount_ < sizeof(pending_)) return;
        processBlocks(pending_, 1);
        pendingCount_ = 0;
    }
    processBlocks(in, count / 64);
    in += count / 64 * 64;
    pendingCount_ = count % 64;
    std::memcpy(pending_, in, pendingCount_);
}

Md5::Digest Md5::finish() {
    uint64_t bitCount = totalBytes_ * 8;
    unsigned char padding[72] = {0x80};
    size_t padLength = (pendingCount_ < 56 ? 56 : 120) - pendingCount_;
    update(padding, padLength);
    unsigned char lengthBytes[8];
    for (int k = 0; k < 8; ++k) lengthBytes[k] = static_cast<unsigned char>(bitCount >> (8 * k));
    update(lengthBytes, sizeof(lengthBytes));

    Digest digest;
    for (int k = 0; k < 4; ++k) {
        for (int b = 0; b < 4; ++b) digest[4 * k + b] = static_cast<uint8_t>(state_[k] >> (8 * b));
    }
    std::memcpy(state_, INITIAL_STATE, sizeof(state_));
    totalBytes_ = 0;
    pendingCount_ = 0;
    return digest;
}

// One step of a round: a = b + ((a + fn(b, c, d) + word + constant) <<< shift).
#define MD5_STEP(fn, a, b, c, d, word, shift, constant) \
    a += fn(b, c, d) + (word) + (constant);             \
    a = rotateLeft(a, shift) + b

void Md5::processBlocks(const unsigned char* blocks, size_t blockCount) {
    uint32_t a0 = state_[0], b0 = state_[1], c0 = state_[2], d0 = state_[3];
    for (size_t n = 0; n < blockCount; ++n, blocks += 64) {
        uint32_t x[16];
        for (int k = 0; k < 16; ++k) x[k] = loadLittleEndian(blocks + 4 * k);
        uint32_t a = a0, b = b0, c = c0, d = d0;

        MD5_STEP(f, a, b, c, d, x[0], 7, 0xd76aa478u);
        MD5_STEP(f, d, a, b, c, x[1], 12, 0xe8c7b756u);
        MD5_STEP(f, c, d, a, b, x[2], 17, 0x242070dbu);
        MD5_STEP(f, b, c, d, a, x[3], 22, 0xc1bdceeeu);
        MD5_STEP(f, a, b, c, d, x[4], 7, 0xf57c0fafu);
        MD5_STEP(f, d, a, b, c, x[5], 12, 0x4787c62au);
        MD5_STEP(f, c, d, a, b, x[6], 17, 0xa8304613u);
        MD5_STEP(f, b, c, d, a, x[7], 22, 0xfd469501u);
        MD5_STEP(f, a, b, c, d, x[8], 7, 0x698098d8u);
        MD5_STEP(f, d, a, b, c, x[9], 12, 0x8b44f7afu);
        MD5_STEP(f, c, d, a, b, x[10], 17, 0xffff5bb1u);
        MD5_STEP(f, b, c, d, a, x[11], 22, 0x895cd7beu);
        MD5_STEP(f, a, b, c, d, x[12], 7, 0x6b901122u);
        MD5_STEP(f, d, a, b, c, x[13], 12, 0xfd987193u);
        MD5_STEP(f, c, d, a, b, x[14], 17, 0xa679438eu);
        MD5_STEP(f, b, c, d, a, x[15], 22, 0x49b40821u);

        MD5_STEP(g, a, b, c, d, x[1], 5, 0xf61e2562u);
        MD5_STEP(g, d, a, b, c, x[6], 9, 0xc040b340u);
        MD5_STEP(g, c, d, a, b, x[11], 14, 0x265e5a51u);
        MD5_STEP(g, b, c, d, a, x[0], 20, 0xe9b6c7aau);
        MD5_STEP(g, a, b, c, d, x[5], 5, 0xd62f105du);
        MD5_STEP(g, d, a, b, c, x[10], 9, 0x02441453u);
        MD5_STEP(g, c, d, a, b, x[15], 14, 0xd8a1e681u);
        MD5_STEP(g, b, c, d, a, x[4], 20, 0xe7d3fbc8u);
        MD5_STEP(g, a, b, c, d, x[9], 5, 0x21e1cde6u);
        MD5_STEP(g, d, a, b, c, x[14], 9, 0xc33707d6u);
        MD5_STEP(g, c, d, a, b, x[3], 14, 0xf4d50d87u);
        MD5_STEP(g, b, c, d, a, x[8], 20, 0x455a14edu);
        MD5_STEP(g, a, b, c, d, x[13], 5, 0xa9e3e905u);
        MD5_STEP(g, d, a, b, c, x[2], 9, 0xfcefa3f8u);
        MD5_STEP(g, c, d, a, b, x[7], 14, 0x676f02d9u);
        MD5_STEP(g, b, c, d, a, x[12], 20, 0x8d2a4c8au);

        MD5_STEP(h, a, b, c, d, x[5], 4, 0xfffa3942u);
        MD5_STEP(h, d, a, b, c, x[8], 11, 0x8771f681u);
        MD5_STEP(h, c, d, a, b, x[11], 16, 0x6d9d6122u);
        MD5_STEP(h, b, c, d, a, x[14], 23, 0xfde5380cu);
        MD5_STEP(h, a, b, c, d, x[1], 4, 0xa4beea44u);
        MD5_STEP(h, d, a, b, c, x[4], 11, 0x4bdecfa9u);
        MD5_STEP(h, c, d, a, b, x[7], 16, 0xf6bb4b60u);
        MD5_STEP(h, b, c, d, a, x[10], 23, 0xbebfbc70u);
        MD5_STEP(h, a, b, c, d, x[13], 4, 0x289b7ec6u);
        MD5_STEP(h, d, a, b, c, x[0], 11, 0xeaa127fau);
        MD5_STEP(h, c, d, a, b, x[3], 16, 0xd4ef3085u);
        MD5_STEP(h, b, c, d, a, x[6], 23, 0x04881d05u);
        MD5_STEP(h, a, b, c, d, x[9], 4, 0xd9d4d039u);
        MD5_STEP(h, d, a, b, c, x[12], 11, 0xe6db99e5u);
        MD5_STEP(h, c, d, a, b, x[15], 16, 0x1fa27cf8u);
        MD5_STEP(h, b, c, d, a, x[2], 23, 0xc4ac5665u);

        MD5_STEP(i, a, b, c, d, x[0], 6, 0xf4292244u);
        MD5_STEP(i, d, a, b, c, x[7], 10, 0x432aff97u);
        MD5_STEP(i, c, d, a, b, x[14], 15, 0xab9423a7u);
        MD5_STEP(i, b, c, d, a, x[5], 21, 0xfc93a039u);
        MD5_STEP(i, a, b, c, d, x[12], 6, 0x655b59c3u);
        MD5_STEP(i, d, a, b, c, x[3], 10, 0x8f0ccc92u);
        MD5_STEP(i, c, d, a, b, x[10], 15, 0xffeff47du);
        MD5_STEP(i, b, c, d, a, x[1], 21, 0x85845dd1u);
        MD5_STEP(i, a, b, c, d, x[8], 6, 0x6fa87e4fu);
        MD5_STEP(i, d, a, b, c, x[15], 10, 0xfe2ce6e0u);
        MD5_STEP(i, c, d, a, b, x[6], 15, 0xa3014314u);
        MD5_STEP(i, b, c, d, a, x[13], 21, 0x4e0811a1u);
        MD5_STEP(i, a, b, c, d, x[4], 6, 0xf7537e82u);
        MD5_STEP(i, d, a, b, c, x[11], 10, 0xbd3af235u);
        MD5_STEP(i, c, d, a, b, x[2], 15, 0x2ad7d2bbu);
        MD5_STEP(i, b, c, d, a, x[9], 21, 0xeb86d391u);

        a0 += a;
        b0 += b;
        c0 += c;
        d0 += d;
    }
    state_[0] = a0;
    state_[1] = b0;
    state_[2] = c0;
    state_[3] = d0;
}

#undef MD5_STEP

std::string Md5::toHex(const Digest& digest) {
    static const char HEX_DIGITS[] = "0123456789abcdef";
    std::string text(32, '0');
    for (size_t k = 0; k < digest.size(); ++k) {
        text[2 * k] = HEX_DIGITS[digest[k] >> 4];
        text[2 * k + 1] = HEX_DIGITS[digest[k] & 0x0F];
    }
    return text;
}

std::string md5Hex(const void* bytes, size_t count) {
    Md5 md5;
    md5.update(bytes, count);
    return Md5::toHex(md5.finish());
}

std::string md5Hex(std::string_view text) {
    return md5Hex(text.data(), text.size());
}
