// SHA-256 (FIPS 180-4) of a stream of bytes, for the checksum --json names:
// the same digest sha256sum prints for the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class Sha256 {
public:
    Sha256();
    void update(const void* data, size_t count);
    // The digest as 64 lowercase hexadecimal digits; the object is spent.
    std::string hexDigest();

private:
    void (*compress_)(uint32_t* state, const unsigned char* data, size_t chunks);
    std::array<uint32_t, 8> state_;
    unsigned char pending_[64];
    size_t pendingBytes_ = 0;
    uint64_t totalBytes_ = 0;
};

// The digest of the file at path, read once from its start; empty when it
// cannot be read to its end.
std::optional<std::string> sha256OfFile(const std::string& path);
