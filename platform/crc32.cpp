#include "platform/crc32.h"

#include <array>
#include <cstddef>
#include <memory>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define BRELIX_CRC_FOLDING 1
#endif

namespace platform {

namespace {

// Slicing by sixteen: table k gives the CRC of a byte followed by k zero bytes, so sixteen bytes are
// folded in per step. The installation checks every shipped file, hundreds of megabytes at times.
using Tables = std::array<std::array<std::uint32_t, 256>, 16>;

void FillTables(Tables& tables) {
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t previous = tables[k - 1][n];
            tables[k][n] = tables[0][previous & 0xFFu] ^ (previous >> 8);
        }
    }
}

// Made at the first use, on the heap: as a static they would be 16 KB more of the program to
// download, since the Windows compiler stores even a zero-filled static whole.
const Tables& TheTables() {
    static const std::unique_ptr<Tables> tables = [] {
        auto made = std::make_unique<Tables>();
        FillTables(*made);
        return made;
    }();
    return *tables;
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

#ifdef BRELIX_CRC_FOLDING
// Carry-less multiplication folds 64 bytes per step ("Fast CRC Computation for Generic Polynomials
// Using PCLMULQDQ Instruction", Intel, 2009), with the constants of the reflected zip polynomial.
#define BRELIX_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

BRELIX_FOLDING_TARGET __m128i Load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// `value` carried on by the distance that `constants` stand for, plus `next`.
BRELIX_FOLDING_TARGET __m128i Fold(__m128i value, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(value, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(value, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// `crc` is taken and returned inverted; `size` is at least 64 and a multiple of 16.
BRELIX_FOLDING_TARGET std::uint32_t FoldCrc(std::uint32_t crc, const unsigned char* bytes, std::size_t size) {
    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(bytes + 16);
    __m128i x3 = Load(bytes + 32);
    __m128i x4 = Load(bytes + 48);
    bytes += 64;
    size -= 64;
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    for (; size >= 64; size -= 64, bytes += 64) {
        x1 = Fold(x1, k1k2, Load(bytes));
        x2 = Fold(x2, k1k2, Load(bytes + 16));
        x3 = Fold(x3, k1k2, Load(bytes + 32));
        x4 = Fold(x4, k1k2, Load(bytes + 48));
    }
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    for (; size >= 16; size -= 16, bytes += 16)
        x1 = Fold(x1, k3k4, Load(bytes));

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2b = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    x2b = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), x2b);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    x2b = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10), low32);
    x2b = _mm_clmulepi64_si128(x2b, poly, 0x00);
    x1 = _mm_xor_si128(x1, x2b);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool CanFold() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}
#endif

}  // namespace

std::uint32_t Crc32(const std::string& data) {
    return Crc32Update(0, data.data(), data.size());
}

std::uint32_t Crc32Update(std::uint32_t crc, const char* data, std::size_t size) {
    const Tables& t = TheTables();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t left = size;
    crc ^= 0xFFFFFFFFu;
#ifdef BRELIX_CRC_FOLDING
    static const bool canFold = CanFold();
    if (canFold && left >= 64) {
        const std::size_t folded = left & ~static_cast<std::size_t>(15);
        crc = FoldCrc(crc, bytes, folded);
        bytes += folded;
        left -= folded;
    }
#endif
    for (; left >= 16; left -= 16, bytes += 16) {
        const std::uint32_t a = crc ^ LittleEndian32(bytes);
        const std::uint32_t b = LittleEndian32(bytes + 4);
        const std::uint32_t c = LittleEndian32(bytes + 8);
        const std::uint32_t d = LittleEndian32(bytes + 12);
        crc = t[15][a & 0xFFu] ^ t[14][(a >> 8) & 0xFFu] ^ t[13][(a >> 16) & 0xFFu] ^ t[12][a >> 24] ^
              t[11][b & 0xFFu] ^ t[10][(b >> 8) & 0xFFu] ^ t[9][(b >> 16) & 0xFFu] ^ t[8][b >> 24] ^
              t[7][c & 0xFFu] ^ t[6][(c >> 8) & 0xFFu] ^ t[5][(c >> 16) & 0xFFu] ^ t[4][c >> 24] ^
              t[3][d & 0xFFu] ^ t[2][(d >> 8) & 0xFFu] ^ t[1][(d >> 16) & 0xFFu] ^ t[0][d >> 24];
    }
    for (; left > 0; --left, ++bytes)
        crc = t[0][(crc ^ *bytes) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace platform
