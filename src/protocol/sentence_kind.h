// The sentence kinds and their one table: per kind its name, reply slot, parser and the
// notification its reply raises. Classification, dispatch, the reply slots and tk52cli's
// decoder all read this table, so a kind is described in one place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/device_model.h"
#include "protocol/protocol_events.h"
#include "protocol/records.h"
#include "protocol/result_codes.h"

namespace tk52 {

// The order is fixed: the reader, tk52cli's "kind_id" and the table below are indexed by it.
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
// Reply slots and arrival events: one shared by the five time kinds, one per reply kind.
inline constexpr int kReplySlotCount = 8;

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

// What a parser found besides the record it wrote into the payload: the sentence's result and,
// for the replies with several forms, the form and the number the notification carries.
struct ParsedReply {
  ResultCode result = result::kOk;
  std::uint8_t form = 0;
  std::int32_t number = 0;
};
// `model` is the type identified so far: the configuration reply's layout depends on it. The
// findings are written into `parsed` rather than returned: the compiler assembles a returned
// ParsedReply in memory and reads it back whole, a stall on every sentence.
using ReplyParser = void (*)(const char* text, std::size_t size, DeviceModelType model,
                             ReplyPayload& payload, ParsedReply& parsed);

// What the dispatcher does with a well-formed reply besides posting it to its slot.
enum class ReplyEffect : std::uint8_t {
  kNone,
  kValidTime,       // status "A": release the time-valid semaphore, hand the time on
  kIdentification,  // the model type changes to the one identified
  kJournal,         // a record is stored in the record table and announced twice
};

struct SentenceKindInfo {
  SentenceKind kind;
  std::string_view name;
  int slot;
  // Null for the standard sentences, which are accepted once their checksum holds.
  ReplyParser parse;
  bool notifies;
  ReplyKind notification;
  ReplyEffect effect;
};

// The table, a row per catalogued kind at the kind's index.
extern const std::array<SentenceKindInfo, kCatalogueSize> kSentenceKinds;

// The table row of a catalogued kind; null for any other. Inline: the reader looks a kind up
// several times for every sentence.
inline const SentenceKindInfo* sentence_kind_info(SentenceKind kind) {
  return is_catalogued(kind) ? &kSentenceKinds[static_cast<std::size_t>(index_of(kind))] : nullptr;
}

// The reply slot (and arrival event) of a catalogued kind; -1 for any other.
inline int reply_slot(SentenceKind kind) {
  const SentenceKindInfo* info = sentence_kind_info(kind);
  return info != nullptr ? info->slot : -1;
}

// The five-letter name of a catalogued kind; "unknown" for anything else.
std::string_view kind_name(SentenceKind kind);

// Classifies the five name characters that follow the "$" (positions 1..5 of a sentence).
SentenceKind classify_name(const char* name5);

}  // namespace tk52
