// A block of bytes at a time: finding given characters and folding bytes with exclusive-or, 16
// bytes at a time with SSE2 (every x86-64 processor has it), 8 at a time in a 64-bit word
// elsewhere. The receive path looks at every byte the clock sends twice (cutting sentences and
// checking their checksum); a block at a time that costs a fraction of a byte at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TK52_BYTE_SCAN_SSE2 1
#endif

namespace tk52::byte_scan {

// Eight bytes in a 64-bit word: any processor.
namespace portable {

inline constexpr std::size_t kBlockSize = 8;

class Block {
 public:
  static Block load(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return Block(word);
  }
  void store(char* out) const { std::memcpy(out, &word_, sizeof word_); }

  std::size_t find_any(char a, char b, char c) const {
    return first(equal(a) | equal(b) | equal(c));
  }
  std::size_t find(char a) const { return first(equal(a)); }
  // The same from position `from` (0..kBlockSize) on; the characters are not NUL. The bytes
  // before `from` are replaced by NULs first, which match nothing and cannot flag the bytes
  // after them.
  std::size_t find_from(char a, std::size_t from) const {
    if (from >= kBlockSize)
      return kBlockSize;
    return first(from_on(from).equal(a));
  }
  std::size_t find_any_from(char a, char b, char c, std::size_t from) const {
    if (from >= kBlockSize)
      return kBlockSize;
    return from_on(from).find_any(a, b, c);
  }

 private:
  friend class XorFold;
  explicit Block(std::uint64_t word) : word_(word) {}
  Block from_on(std::size_t from) const {
    return Block(std::endian::native == std::endian::little ? word_ >> (8 * from) << (8 * from)
                                                            : word_ << (8 * from) >> (8 * from));
  }
  // A high bit in each byte that may equal `c`: the first flagged byte in memory order always
  // does, bytes after it may be flagged without matching.
  std::uint64_t equal(char c) const {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    const std::uint64_t x = word_ ^ (kOnes * static_cast<std::uint8_t>(c));
    return (x - kOnes) & ~x & kHighs;
  }
  static std::size_t first(std::uint64_t found) {
    if (found == 0)
      return kBlockSize;
    if constexpr (std::endian::native == std::endian::little) {
      return static_cast<std::size_t>(std::countr_zero(found)) / 8;
    } else {
      return static_cast<std::size_t>(std::countl_zero(found)) / 8;
    }
  }

  std::uint64_t word_ = 0;
};

// The exclusive-or of whole blocks and of parts of blocks. add_first takes 0..kBlockSize bytes.
class XorFold {
 public:
  void add(const Block& block) { word_ ^= block.word_; }
  void add_first(const Block& block, std::size_t count) {
    if (count == 0)
      return;
    if constexpr (std::endian::native == std::endian::little) {
      word_ ^= block.word_ & (~std::uint64_t{0} >> (64 - 8 * count));
    } else {
      word_ ^= block.word_ & (~std::uint64_t{0} << (64 - 8 * count));
    }
  }
  // Bytes `from` up to `to` (from <= to <= kBlockSize).
  void add_between(const Block& block, std::size_t from, std::size_t to) {
    add_first(block, to);
    add_first(block, from);
  }
  std::uint8_t value() const {
    std::uint64_t x = word_ ^ (word_ >> 32);
    x ^= x >> 16;
    x ^= x >> 8;
    return static_cast<std::uint8_t>(x);
  }

 private:
  std::uint64_t word_ = 0;
};

}  // namespace portable

#ifdef TK52_BYTE_SCAN_SSE2
namespace sse2 {

inline constexpr std::size_t kBlockSize = 16;

class Block {
 public:
  static Block load(const char* bytes) {
    return Block(_mm_loadu_si128(static_cast<const __m128i*>(static_cast<const void*>(bytes))));
  }
  void store(char* out) const {
    _mm_storeu_si128(static_cast<__m128i*>(static_cast<void*>(out)), v_);
  }

  // The position of the first byte equal to `a`, `b` or `c`; kBlockSize when none is.
  std::size_t find_any(char a, char b, char c) const {
    const __m128i hits = _mm_or_si128(_mm_or_si128(equal(a), equal(b)), equal(c));
    return first(static_cast<unsigned>(_mm_movemask_epi8(hits)));
  }
  std::size_t find(char a) const {
    return first(static_cast<unsigned>(_mm_movemask_epi8(equal(a))));
  }
  // The same from position `from` (0..kBlockSize) on; `a` is not NUL.
  std::size_t find_from(char a, std::size_t from) const {
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(equal(a)));
    return first(from < kBlockSize ? mask >> from << from : 0);
  }
  std::size_t find_any_from(char a, char b, char c, std::size_t from) const {
    const __m128i hits = _mm_or_si128(_mm_or_si128(equal(a), equal(b)), equal(c));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    return first(from < kBlockSize ? mask >> from << from : 0);
  }

 private:
  friend class XorFold;
  explicit Block(__m128i v) : v_(v) {}
  __m128i equal(char c) const { return _mm_cmpeq_epi8(v_, _mm_set1_epi8(c)); }
  static std::size_t first(unsigned mask) {
    return mask == 0 ? kBlockSize : static_cast<std::size_t>(std::countr_zero(mask));
  }

  __m128i v_;
};

// The exclusive-or of whole blocks and of parts of blocks. add_first takes 0..kBlockSize bytes.
class XorFold {
 public:
  void add(const Block& block) { v_ = _mm_xor_si128(v_, block.v_); }
  void add_first(const Block& block, std::size_t count) {
    // Byte i is kept when i < count: a comparison rather than a load from a mask table, which
    // would wait for `count` and often straddle two cache lines.
    const __m128i positions = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i keep = _mm_cmplt_epi8(positions, _mm_set1_epi8(static_cast<char>(count)));
    v_ = _mm_xor_si128(v_, _mm_and_si128(block.v_, keep));
  }
  // Bytes `from` up to `to` (from <= to <= kBlockSize).
  void add_between(const Block& block, std::size_t from, std::size_t to) {
    add_first(block, to);
    add_first(block, from);
  }
  std::uint8_t value() const {
    __m128i x = _mm_xor_si128(v_, _mm_srli_si128(v_, 8));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 4));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 2));
    x = _mm_xor_si128(x, _mm_srli_si128(x, 1));
    return static_cast<std::uint8_t>(_mm_cvtsi128_si32(x));
  }

 private:
  __m128i v_ = _mm_setzero_si128();
};

}  // namespace sse2
#endif

// The implementation the receive path uses.
#ifdef TK52_BYTE_SCAN_SSE2
namespace active = sse2;
#else
namespace active = portable;
#endif
inline constexpr std::size_t kBlockSize = active::kBlockSize;
using Block = active::Block;
using XorFold = active::XorFold;

}  // namespace tk52::byte_scan
