#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// MD5 message digest (RFC 1321), fed in pieces of any size. Used to sign history requests, where
// it is a checksum the server expects, not a security measure. No shared state: any thread.
class Md5 {
public:
    using Digest = std::array<uint8_t, 16>;

    Md5();
    void update(const void* bytes, size_t count);
    // Pads, returns the digest and starts over.
    Digest finish();

    static std::string toHex(const Digest& digest);

private:
    void processBlocks(const unsigned char* blocks, size_t blockCount);

    uint32_t state_[4];
    uint64_t totalBytes_ = 0;
    unsigned char pending_[64];
    size_t pendingCount_ = 0;
};

// The digest of the bytes as 32 lower-case hexadecimal digits.
std::string md5Hex(const void* bytes, size_t count);
std::string md5Hex(std::string_view text);
