#include "protocol/sentence_kind.h"

#include <array>
#include <cstring>

namespace tk52 {
namespace {

constexpr std::array<std::string_view, kCatalogueSize> kNames = {
    "GPZDA", "GPRMC", "GPGGA", "PKEXT", "PKEXU", "PKEXC",
    "PKEXR", "PKEXI", "PKEXS", "PKEXD", "PKEXE", "PKEXJ",
};

}  // namespace

std::string_view kind_name(SentenceKind kind) {
  if (!is_catalogued(kind))
    return "unknown";
  return kNames[static_cast<std::size_t>(index_of(kind))];
}

SentenceKind classify_name(const char* name5) {
  if (name5[0] == 'G') {
    for (int k = 0; k <= index_of(SentenceKind::kGpgga); ++k) {
      if (std::memcmp(name5, kNames[static_cast<std::size_t>(k)].data(), 5) == 0) {
        return static_cast<SentenceKind>(k);
      }
    }
    return SentenceKind::kUnrecognised;
  }
  if (name5[0] != 'P' || std::memcmp(name5, "PKEX", 4) != 0)
    return SentenceKind::kUnrecognised;
  switch (name5[4]) {
    case 'T':
      return SentenceKind::kPkext;
    case 'U':
      return SentenceKind::kPkexu;
    case 'C':
      return SentenceKind::kPkexc;
    case 'R':
      return SentenceKind::kPkexr;
    case 'I':
      return SentenceKind::kPkexi;
    case 'S':
      return SentenceKind::kPkexs;
    case 'D':
      return SentenceKind::kPkexd;
    case 'E':
      return SentenceKind::kPkexe;
    case 'J':
      return SentenceKind::kPkexj;
    default:
      return SentenceKind::kUnrecognised;
  }
}

}  // namespace tk52
