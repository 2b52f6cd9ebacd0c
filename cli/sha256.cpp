#include "sha256.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "file_io.h"
#include "kernel_set.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// The portable form: each chunk's 64 rounds, word by word.
void compressPortable(uint32_t* state, const unsigned char* data, size_t chunks)
{
    for (; chunks > 0; --chunks, data += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(data[4 * i]) << 24 | uint32_t(data[4 * i + 1]) << 16 | uint32_t(data[4 * i + 2]) << 8 |
                   uint32_t(data[4 * i + 3]);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same rounds with the CPU's SHA extensions, four at a time. The state
// is held as the instructions want it: ABEF and CDGH.
__attribute__((target("sha,sse4.1"))) void compressShaExtensions(uint32_t* state, const unsigned char* data,
                                                                size_t chunks)
{
    const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(dcba, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, dcba, 0xF0);
    for (; chunks > 0; --chunks, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        __m128i words[4];  // words 4r to 4r+3 of the schedule in words[r % 4]
        for (int i = 0; i < 4; ++i)
            words[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), bigEndian);
#pragma GCC unroll 16
        for (int r = 0; r < 16; ++r) {
            if (r >= 4) {
                const __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(words[r % 4], words[(r + 1) % 4]),
                                                      _mm_alignr_epi8(words[(r + 3) % 4], words[(r + 2) % 4], 4));
                words[r % 4] = _mm_sha256msg2_epu32(partial, words[(r + 3) % 4]);
            }
            const __m128i k =
                _mm_add_epi32(words[r % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * r)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(k, 0x0E));
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

using Compress = void (*)(uint32_t*, const unsigned char*, size_t);
Compress chooseCompress()
{
#if defined(__x86_64__) || defined(__i386__)
    if (shaExtensions())
        return compressShaExtensions;
#endif
    return compressPortable;
}

}  // namespace


Sha256::Sha256()
    : compress_(chooseCompress()),
      state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::update(const void* data, size_t count)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    totalBytes_ += count;
    if (pendingBytes_ > 0) {
        const size_t taken = std::min(count, sizeof pending_ - pendingBytes_);
        std::memcpy(pending_ + pendingBytes_, bytes, taken);
        pendingBytes_ += taken;
        bytes += taken;
        count -= taken;
        if (pendingBytes_ < sizeof pending_)
            return;
        compress_(state_.data(), pending_, 1);
        pendingBytes_ = 0;
    }
    compress_(state_.data(), bytes, count / 64);
    bytes += count / 64 * 64;
    count %= 64;
    std::memcpy(pending_, bytes, count);
    pendingBytes_ = count;
}

std::string Sha256::hexDigest()
{
    // The padding: one bit, zeros up to 56 bytes into a chunk, and the
    // message's length in bits, big-endian.
    const uint64_t bits = totalBytes_ * 8;
    unsigned char tail[72] = {0x80};
    const size_t zeros = (pendingBytes_ < 56 ? 56 : 120) - pendingBytes_;
    for (int i = 0; i < 8; ++i)
        tail[zeros + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    update(tail, zeros + 8);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint32_t word : state_)
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += kDigits[(word >> shift) & 0xF];
    return hex;
}

std::optional<std::string> sha256OfFile(const std::string& path)
{
    // The path is UTF-8, which the platform layer turns into the system's own.
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    Sha256 sha;
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        sha.update(buffer.data(), static_cast<size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return sha.hexDigest();
}
