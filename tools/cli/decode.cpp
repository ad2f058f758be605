#include "decode.h"

#include <array>
#include <cstring>
#include <string_view>

#include "configuration_json.h"
#include "json_writer.h"
#include "protocol/protocol.h"
#include "protocol/records.h"

namespace tk52::cli {
namespace {

constexpr std::size_t kMinSentence = 8;
constexpr std::size_t kMaxSentence = 82;

// Remembers the form of the last reply notification; nothing else is needed here.
class DecodeEvents final : public ProtocolEvents {
 public:
  bool post_reply(const ReplyNotification& notification) override {
    last_form = notification.form;
    return true;
  }
  void log_received(const char*, std::size_t, const CalendarTime&, bool) override {}
  void counters_changed() override {}
  void time_received(const TimeRecord&, const CalendarTime&) override {}

  std::uint8_t last_form = 0;
};

std::string time_json(const TimeRecord& t) {
  return JsonObject()
      .add("year", t.year)
      .add("month", t.month)
      .add("day", t.day)
      .add("hour", t.hour)
      .add("minute", t.minute)
      .add("second", t.second)
      .add("ms", t.milliseconds)
      .add_char("status", t.status)
      .str();
}

std::string configuration_json(const ReplyPayload& payload, bool result_form) {
  if (result_form) {
    return JsonObject()
        .add("form", "result")
        .add("code", load_record<ResultCodeRecord>(payload).code)
        .str();
  }
  const auto c = load_record<DeviceConfiguration>(payload);
  JsonObject json;
  json.add("form", "config");
  return add_configuration(json, c).str();
}

std::string bounded_text(const char* field, std::size_t capacity) {
  return std::string(field, strnlen(field, capacity));
}

std::string identification_json(const ReplyPayload& payload) {
  const auto id = load_record<IdentificationRecord>(payload);
  return JsonObject()
      .add("model", bounded_text(id.model, sizeof id.model))
      .add("hardware", bounded_text(id.hardware, sizeof id.hardware))
      .add("software", bounded_text(id.software, sizeof id.software))
      .str();
}

std::string extra_info_json(const ReplyPayload& payload) {
  const auto e = load_record<ExtraInfo>(payload);
  return JsonObject()
      .add("valid", e.status_valid)
      .add("satellites", e.satellites)
      .add("heating", e.heating)
      .add("temperature", e.temperature)
      .add("temperature_present", e.temperature_present)
      .add("lat_deg", e.lat_deg)
      .add("lat_min", e.lat_min)
      .add("lat_frac", e.lat_frac)
      .add_char("lat_hemisphere", e.lat_hemisphere)
      .add("lat_present", e.lat_present)
      .add("lon_deg", e.lon_deg)
      .add("lon_min", e.lon_min)
      .add("lon_frac", e.lon_frac)
      .add_char("lon_hemisphere", e.lon_hemisphere)
      .add("lon_present", e.lon_present)
      .add("alt_int", e.alt_int)
      .add("alt_frac", e.alt_frac)
      .add("alt_present", e.alt_present)
      .add("lat_frac_digits", e.lat_frac_digits)
      .add("lon_frac_digits", e.lon_frac_digits)
      .add("alt_frac_digits", e.alt_frac_digits)
      .add("alt_negative", e.alt_negative)
      .str();
}

std::string journal_json(const ReplyPayload& payload, bool header_form) {
  if (header_form) {
    const auto h = load_record<JournalHeader>(payload);
    return JsonObject().add("form", "header").add("journal", h.journal).add("count", h.count).str();
  }
  const auto r = load_record<JournalRecordEntry>(payload);
  return JsonObject()
      .add("form", "record")
      .add("journal", r.journal)
      .add("number", r.number)
      .add("event", r.event())
      .add("value16", r.value16())
      .add("value32", r.value32)
      .str();
}

std::string record_json(SentenceKind kind, ResultCode result, const ReplyPayload& payload,
                        std::uint8_t notified_form) {
  const bool ok = result == result::kOk;
  switch (kind) {
    case SentenceKind::kPkext:
    case SentenceKind::kPkexu:
      return time_json(load_record<TimeRecord>(payload));
    case SentenceKind::kPkexc:
      return configuration_json(
          payload,
          ok && notified_form == static_cast<std::uint8_t>(ConfigurationForm::kResultCode));
    case SentenceKind::kPkexr: {
      const auto s = load_record<SpeedReply>(payload);
      return JsonObject().add("speed_index", s.speed_index).add_char("letter", s.letter).str();
    }
    case SentenceKind::kPkexi:
      return identification_json(payload);
    case SentenceKind::kPkexs:
      return extra_info_json(payload);
    case SentenceKind::kPkexd:
      return JsonObject().add("code", load_record<ResultCodeRecord>(payload).code).str();
    case SentenceKind::kPkexe:
      return JsonObject().add("code", load_record<DeviceErrorRecord>(payload).code).str();
    case SentenceKind::kPkexj:
      return journal_json(payload,
                          ok && notified_form == static_cast<std::uint8_t>(JournalForm::kHeader));
    default:
      return "null";
  }
}

}  // namespace

struct Decoder::State {
  DecodeEvents events;
  Protocol protocol{events};
};

Decoder::Decoder(DeviceModelType start_model) : state_(std::make_unique<State>()) {
  state_->protocol.set_model_type(start_model);
}

Decoder::~Decoder() = default;

std::string Decoder::decode_line(long long line_number, const char* sentence, std::size_t size,
                                 Direction direction) {
  JsonObject json;
  json.add("line", line_number);
  json.add("direction", direction == Direction::kSent ? "sent" : "received");
  const std::size_t wire_size = size + 2;  // the CR LF the reader would have stored
  if (wire_size < kMinSentence || wire_size > kMaxSentence) {
    return json.add("skipped", "length").str();
  }
  std::array<char, kMaxSentence> wire{};
  std::memcpy(wire.data(), sentence, size);
  wire[size] = '\r';
  wire[size + 1] = '\n';

  Protocol& protocol = state_->protocol;
  const SentenceKind kind = classify_name(wire.data() + 1);
  // The program's own requests are not replies: named, never taken for what the clock said.
  if (direction == Direction::kSent)
    return json.add("kind", kind_name(kind))
        .add("kind_id", index_of(kind))
        .add_null("record")
        .str();
  const ResultCode result = protocol.dispatch(wire.data(), wire_size, CalendarTime{}, kind);

  json.add("kind", kind_name(kind)).add("kind_id", index_of(kind)).add("result", result);
  json.add("model_type", model_number(protocol.model_type()));
  const bool has_record = result != result::kBadChecksum && is_catalogued(kind) &&
                          index_of(kind) >= index_of(SentenceKind::kPkext);
  if (!has_record)
    return json.add_null("record").str();
  ReplyPayload payload{};
  protocol.slots().take(kind, &payload, std::chrono::milliseconds{0});
  return json.add_raw("record", record_json(kind, result, payload, state_->events.last_form)).str();
}

long long decode_stream(std::FILE* in, std::FILE* out, DeviceModelType start_model) {
  return decode_stream(
      in,
      [out](std::string_view text) {
        return std::fwrite(text.data(), 1, text.size(), out) == text.size();
      },
      start_model);
}

long long decode_stream(std::FILE* in, const std::function<bool(std::string_view)>& write,
                        DeviceModelType start_model) {
  Decoder decoder(start_model);
  // Only the text after a line's last "$" matters, and only up to the longest sentence, so an
  // overlong line never grows memory: its length is counted, its bytes are dropped.
  std::array<char, kMaxSentence> sentence{};
  std::size_t length = 0;
  bool has_dollar = false;
  // A traffic log marks what the program sent with "<<< " before the "$".
  constexpr std::string_view kSentMark = "<<< ";
  std::array<char, kSentMark.size()> before_dollar{};
  Decoder::Direction direction = Decoder::Direction::kReceived;
  long long line = 1;
  long long decoded = 0;
  std::string output;

  auto finish_line = [&] {
    if (has_dollar) {
      if (length > 0 && length <= sentence.size() && sentence[length - 1] == '\r')
        --length;
      output += decoder.decode_line(line, sentence.data(), length, direction);
      output += '\n';
      ++decoded;
    }
    has_dollar = false;
    length = 0;
    before_dollar = {};
    ++line;
  };

  std::array<char, 1 << 16> block{};
  std::size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) {
    for (std::size_t i = 0; i < got; ++i) {
      const char c = block[i];
      if (c == '\n') {
        finish_line();
        continue;
      }
      if (c == '$') {
        has_dollar = true;
        length = 0;
        direction = std::string_view(before_dollar.data(), before_dollar.size()) == kSentMark
                        ? Decoder::Direction::kSent
                        : Decoder::Direction::kReceived;
      }
      std::memmove(before_dollar.data(), before_dollar.data() + 1, before_dollar.size() - 1);
      before_dollar.back() = c;
      if (!has_dollar)
        continue;
      if (length < sentence.size())
        sentence[length] = c;
      ++length;
    }
    if (!write(output))
      return kDecodeWriteFailed;
    output.clear();
  }
  if (std::ferror(in))
    return -1;
  if (has_dollar)
    finish_line();
  if (!write(output))
    return kDecodeWriteFailed;
  return decoded;
}

}  // namespace tk52::cli
