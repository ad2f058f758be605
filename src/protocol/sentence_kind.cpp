#include "protocol/sentence_kind.h"

#include <array>
#include <cstring>

#include "protocol/parsers.h"

namespace tk52 {
namespace {

// Parsers with one record type: the record goes into the payload whatever the result, as a
// partly decoded record is still what decode shows.
template <class Record, ResultCode (*Parse)(const char*, std::size_t, Record&)>
void parse_into(const char* text, std::size_t size, DeviceModelType, ReplyPayload& payload,
                ParsedReply& parsed) {
  Record record{};
  parsed.result = Parse(text, size, record);
  store_record(payload, record);
}

// $PKEXC,OK*hh or $PKEXC,3,1,0,1*hh: a result code first, else the configuration.
void parse_configuration(const char* text, std::size_t size, DeviceModelType model,
                         ReplyPayload& payload, ParsedReply& parsed) {
  ResultCodeRecord code{};
  if (parse_pkexc_result(text, size, code) == result::kOk) {
    store_record(payload, code);
    set_pkexc_form(payload, PkexcForm::kResultCode);
    parsed.result = result::kOk;
    parsed.form = static_cast<std::uint8_t>(ConfigurationForm::kResultCode);
    return;
  }
  DeviceConfiguration config{};
  parsed.result = parse_pkexc_config(text, size, model, config);
  parsed.form = static_cast<std::uint8_t>(ConfigurationForm::kConfiguration);
  store_record(payload, config);
  set_pkexc_form(payload, PkexcForm::kConfiguration);
}

// $PKEXJ,1,0013*hh (the header) or a record: the header first.
void parse_journal(const char* text, std::size_t size, DeviceModelType, ReplyPayload& payload,
                   ParsedReply& parsed) {
  JournalHeader header{};
  if (parse_pkexj_header(text, size, header) == result::kOk) {
    store_record(payload, header);
    parsed.result = result::kOk;
    parsed.form = static_cast<std::uint8_t>(JournalForm::kHeader);
    parsed.number = header.count;
    return;
  }
  JournalRecordEntry entry{};
  parsed.result = parse_pkexj_record(text, size, entry);
  parsed.form = static_cast<std::uint8_t>(JournalForm::kRecordStored);
  parsed.number = entry.number;
  store_record(payload, entry);
}

using K = SentenceKind;
using R = ReplyKind;
using E = ReplyEffect;

}  // namespace

constexpr std::array<SentenceKindInfo, kCatalogueSize> kSentenceKinds = {{
    {K::kGpzda, "GPZDA", 0, nullptr, false, {}, E::kNone},
    {K::kGprmc, "GPRMC", 0, nullptr, false, {}, E::kNone},
    {K::kGpgga, "GPGGA", 0, nullptr, false, {}, E::kNone},
    {K::kPkext, "PKEXT", 0, parse_into<TimeRecord, parse_pkext>, false, {}, E::kValidTime},
    {K::kPkexu, "PKEXU", 0, parse_into<TimeRecord, parse_pkexu>, false, {}, E::kValidTime},
    {K::kPkexc, "PKEXC", 1, parse_configuration, true, R::kConfiguration, E::kNone},
    {K::kPkexr, "PKEXR", 2, parse_into<SpeedReply, parse_pkexr>, false, {}, E::kNone},
    {K::kPkexi, "PKEXI", 3, parse_into<IdentificationRecord, parse_pkexi>, true, R::kIdentification,
     E::kIdentification},
    {K::kPkexs, "PKEXS", 4, parse_into<ExtraInfo, parse_pkexs>, true, R::kExtraInfo, E::kNone},
    {K::kPkexd, "PKEXD", 5, parse_into<ResultCodeRecord, parse_pkexd>, true, R::kSelfDiagnostic,
     E::kNone},
    {K::kPkexe, "PKEXE", 6, parse_into<DeviceErrorRecord, parse_pkexe>, true, R::kDeviceError,
     E::kNone},
    {K::kPkexj, "PKEXJ", 7, parse_journal, true, R::kJournal, E::kJournal},
}};

namespace {

// The table is indexed by kind: each row must sit at its kind's index.
constexpr bool table_in_order() {
  for (std::size_t i = 0; i < kSentenceKinds.size(); ++i) {
    if (index_of(kSentenceKinds[i].kind) != static_cast<int>(i))
      return false;
  }
  return true;
}
static_assert(table_in_order());

// The kinds named "PKEX" and a letter, by that letter; the others come first in the table.
constexpr std::array<SentenceKind, 26> make_pkex_by_letter() {
  std::array<SentenceKind, 26> by_letter{};
  by_letter.fill(K::kUnrecognised);
  for (const SentenceKindInfo& info : kSentenceKinds) {
    if (info.name.substr(0, 4) == "PKEX")
      by_letter[static_cast<std::size_t>(info.name[4] - 'A')] = info.kind;
  }
  return by_letter;
}
constexpr std::array<SentenceKind, 26> kPkexByLetter = make_pkex_by_letter();

constexpr bool pkex_kinds_last() {
  for (std::size_t i = 0; i < kSentenceKinds.size(); ++i) {
    if ((kSentenceKinds[i].name.substr(0, 4) == "PKEX") !=
        (i >= static_cast<std::size_t>(index_of(K::kPkext))))
      return false;
  }
  return true;
}
static_assert(pkex_kinds_last());

}  // namespace

std::string_view kind_name(SentenceKind kind) {
  const SentenceKindInfo* info = sentence_kind_info(kind);
  return info != nullptr ? info->name : "unknown";
}

SentenceKind classify_name(const char* name5) {
  // Every catalogued name but the three standard ones is "PKEX" and a letter: one comparison of
  // four characters and a look-up by the fifth decide most sentences.
  if (std::memcmp(name5, "PKEX", 4) == 0) {
    const auto letter = static_cast<unsigned char>(name5[4]);
    return letter >= 'A' && letter <= 'Z' ? kPkexByLetter[letter - 'A'] : K::kUnrecognised;
  }
  for (std::size_t k = 0; k < static_cast<std::size_t>(index_of(K::kPkext)); ++k) {
    if (std::memcmp(name5, kSentenceKinds[k].name.data(), 5) == 0)
      return kSentenceKinds[k].kind;
  }
  return K::kUnrecognised;
}

}  // namespace tk52
