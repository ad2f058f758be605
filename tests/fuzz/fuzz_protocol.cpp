// Feeds arbitrary bytes through everything that reads text from the line or from a file:
// the assembler, classification, verification, dispatch with every parser, each parser on its
// own, and tk52cli's decoder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "decode.h"
#include "link/sentence_assembler.h"
#include "protocol/framing.h"
#include "protocol/parsers.h"
#include "protocol/protocol.h"

namespace {

class QuietEvents final : public tk52::ProtocolEvents {
 public:
  bool post_reply(const tk52::ReplyNotification&) override { return true; }
  void log_received(const char*, std::size_t, const tk52::CalendarTime&, bool) override {}
  void counters_changed() override {}
  void time_received(const tk52::TimeRecord&, const tk52::CalendarTime&) override {}
};

class FixedClock final : public tk52::Clock {
 public:
  tk52::CalendarTime local_now() const override { return {}; }
  tk52::CalendarTime utc_now() const override { return {}; }
  std::uint32_t tick_ms() const override { return 0; }
};

template <class Record, class Parse>
void parse_exact(const std::vector<char>& text, Parse parse) {
  Record record{};
  parse(text.data(), text.size(), record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the model type, which changes the configuration layout.
  const auto model = static_cast<tk52::DeviceModelType>(data[0] % 5);
  // An exact-size copy: any read past the end is caught by AddressSanitizer.
  const std::vector<char> text(data + 1, data + size);

  QuietEvents events;
  tk52::Protocol protocol(events);
  protocol.set_model_type(model);
  tk52::ProtocolSentenceHandler handler(protocol);
  FixedClock clock;
  tk52::SentenceAssembler assembler(handler, clock);
  assembler.feed(text.data(), text.size());

  tk52::verify_sentence(text.data(), text.size());
  if (text.size() >= 6) {
    const tk52::SentenceKind kind = tk52::classify_name(text.data() + 1);
    protocol.dispatch(text.data(), text.size(), {}, kind);
  }
  parse_exact<tk52::TimeRecord>(text, tk52::parse_pkext);
  parse_exact<tk52::TimeRecord>(text, tk52::parse_pkexu);
  parse_exact<tk52::ResultCodeRecord>(text, tk52::parse_pkexc_result);
  parse_exact<tk52::DeviceConfiguration>(
      text, [model](const char* s, std::size_t n, tk52::DeviceConfiguration& out) {
        return tk52::parse_pkexc_config(s, n, model, out);
      });
  parse_exact<tk52::SpeedReply>(text, tk52::parse_pkexr);
  parse_exact<tk52::IdentificationRecord>(text, tk52::parse_pkexi);
  parse_exact<tk52::ExtraInfo>(text, tk52::parse_pkexs);
  parse_exact<tk52::ResultCodeRecord>(text, tk52::parse_pkexd);
  parse_exact<tk52::DeviceErrorRecord>(text, tk52::parse_pkexe);
  parse_exact<tk52::JournalHeader>(text, tk52::parse_pkexj_header);
  parse_exact<tk52::JournalRecordEntry>(text, tk52::parse_pkexj_record);

  tk52::cli::Decoder decoder(model);
  decoder.decode_line(1, text.data(), text.size());
  return 0;
}
