// The sentence kinds. The order is fixed: the reader, the handler table and the slot table are
// all indexed by it.
#pragma once

#include <string_view>

namespace tk52 {

enum class SentenceKind : int {
  kGpzda = 0,
  kGprmc = 1,
  kGpgga = 2,
  kPkext = 3,
  kPkexu = 4,
  kPkexc = 5,
  kPkexr = 6,
  kPkexi = 7,
  kPkexs = 8,
  kPkexd = 9,
  kPkexe = 10,
  kPkexj = 11,
  kUnrecognised = 13,  // 12 is never produced
};

inline constexpr int kCatalogueSize = 12;

constexpr int index_of(SentenceKind kind) {
  return static_cast<int>(kind);
}
constexpr bool is_catalogued(SentenceKind kind) {
  return index_of(kind) >= 0 && index_of(kind) < kCatalogueSize;
}
// GPZDA, GPRMC, GPGGA, PKEXT and PKEXU: the sentences the clock sends on its own.
constexpr bool is_time_kind(SentenceKind kind) {
  return index_of(kind) >= 0 && index_of(kind) <= index_of(SentenceKind::kPkexu);
}

// The five-letter name of a catalogued kind; "unknown" for anything else.
std::string_view kind_name(SentenceKind kind);

// Classifies the five name characters that follow the "$" (positions 1..5 of a sentence).
SentenceKind classify_name(const char* name5);

}  // namespace tk52
