#include "faults.h"

#include "protocol/framing.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

struct ScopeName {
  Scope scope;
  std::string_view name;
};
constexpr ScopeName kScopes[] = {
    {Scope::kReplies, "replies"}, {Scope::kTime, "time"}, {Scope::kAll, "all"}};

bool parse_scope(std::string_view value, Scope& scope) {
  if (value.empty()) {
    scope = Scope::kReplies;
    return true;
  }
  for (const ScopeName& entry : kScopes) {
    if (entry.name == value) {
      scope = entry.scope;
      return true;
    }
  }
  return false;
}

std::string_view scope_name(Scope scope) {
  for (const ScopeName& entry : kScopes) {
    if (entry.scope == scope)
      return entry.name;
  }
  return "off";
}

bool touches(Scope scope, Origin origin) {
  switch (origin) {
    case Origin::kReply:
      return scope == Scope::kReplies || scope == Scope::kAll;
    case Origin::kTime:
      return scope == Scope::kTime || scope == Scope::kAll;
    case Origin::kUnsolicited:
      return false;
  }
  return false;
}

// Each fault knows how to read its value, how to switch itself off and how to show itself
// (an empty text while it is off).
struct FaultKind {
  std::string_view name;
  std::string_view syntax;
  std::string_view help;
  bool (*set)(Faults&, std::string_view value);
  void (*clear)(Faults&);
  std::string (*show)(const Faults&);
};

bool set_flag(bool& flag, std::string_view value) {
  if (!value.empty())
    return false;
  flag = true;
  return true;
}

bool number(std::string_view value, int lo, int hi, int fallback, int& out) {
  if (value.empty() && fallback >= 0) {
    out = fallback;
    return true;
  }
  return parse_int(value, lo, hi, out);
}

std::string show_flag(bool on, std::string_view name) {
  return on ? std::string(name) : "";
}
std::string show_scope(Scope scope, std::string_view name) {
  return scope == Scope::kOff ? "" : std::string(name) + '=' + std::string(scope_name(scope));
}
std::string show_number(bool on, std::string_view name, int value) {
  return on ? std::string(name) + '=' + std::to_string(value) : "";
}

constexpr int kDefaultSplitPauseMs = 600;  // past the 500 ms a reader waits inside a sentence
constexpr int kDefaultErrorReport = 2;
constexpr int kDefaultBacklog = 30;

const FaultKind kFaultKinds[] = {
    {"silent", "", "sends and answers nothing, as if switched off",
     [](Faults& f, std::string_view v) { return set_flag(f.silent, v); },
     [](Faults& f) { f.silent = false; },
     [](const Faults& f) { return show_flag(f.silent, "silent"); }},
    {"no-replies", "", "answers no request; time sentences go on",
     [](Faults& f, std::string_view v) { return set_flag(f.no_replies, v); },
     [](Faults& f) { f.no_replies = false; },
     [](const Faults& f) { return show_flag(f.no_replies, "no-replies"); }},
    {"ident-only", "", "answers the identification request only",
     [](Faults& f, std::string_view v) { return set_flag(f.identification_only, v); },
     [](Faults& f) { f.identification_only = false; },
     [](const Faults& f) { return show_flag(f.identification_only, "ident-only"); }},
    {"bad-checksum", "[=replies|time|all]", "wrong checksum digits (default: replies)",
     [](Faults& f, std::string_view v) { return parse_scope(v, f.bad_checksum); },
     [](Faults& f) { f.bad_checksum = Scope::kOff; },
     [](const Faults& f) { return show_scope(f.bad_checksum, "bad-checksum"); }},
    {"bad-crc", "", "wrong CRC-16 in PKEXT and PKEXU, checksum still right",
     [](Faults& f, std::string_view v) { return set_flag(f.bad_crc, v); },
     [](Faults& f) { f.bad_crc = false; },
     [](const Faults& f) { return show_flag(f.bad_crc, "bad-crc"); }},
    {"malformed", "[=replies|time|all]",
     "first field starts with \"#\", checksum still right (default: replies)",
     [](Faults& f, std::string_view v) { return parse_scope(v, f.malformed); },
     [](Faults& f) { f.malformed = Scope::kOff; },
     [](const Faults& f) { return show_scope(f.malformed, "malformed"); }},
    {"overlong", "[=replies|time|all]", "sentences padded to 90 characters (default: replies)",
     [](Faults& f, std::string_view v) { return parse_scope(v, f.overlong); },
     [](Faults& f) { f.overlong = Scope::kOff; },
     [](const Faults& f) { return show_scope(f.overlong, "overlong"); }},
    {"split", "[=MS]", "replies cut in the middle by a pause of MS ms (default 600)",
     [](Faults& f, std::string_view v) {
       return number(v, 1, 60000, kDefaultSplitPauseMs, f.split_pause_ms);
     },
     [](Faults& f) { f.split_pause_ms = 0; },
     [](const Faults& f) { return show_number(f.split_pause_ms > 0, "split", f.split_pause_ms); }},
    {"delay", "=MS", "replies leave MS ms late (0..60000)",
     [](Faults& f, std::string_view v) { return number(v, 0, 60000, -1, f.delay_ms); },
     [](Faults& f) { f.delay_ms = 0; },
     [](const Faults& f) { return show_number(f.delay_ms > 0, "delay", f.delay_ms); }},
    {"drop", "=K",
     "every K-th reply is lost on the line (1 loses all); the clock still acts on the request",
     [](Faults& f, std::string_view v) { return number(v, 1, 1000000, -1, f.drop_every); },
     [](Faults& f) { f.drop_every = 0; },
     [](const Faults& f) { return show_number(f.drop_every > 0, "drop", f.drop_every); }},
    {"noise", "=N", "N random bytes (never \"$\") after every sentence (1..200)",
     [](Faults& f, std::string_view v) { return number(v, 1, 200, -1, f.noise_bytes); },
     [](Faults& f) { f.noise_bytes = 0; },
     [](const Faults& f) { return show_number(f.noise_bytes > 0, "noise", f.noise_bytes); }},
    {"pkexe", "[=NN]", "unsolicited \"$PKEXE,NN\" every second, 500 ms after the time (default 02)",
     [](Faults& f, std::string_view v) {
       return number(v, 0, 99, kDefaultErrorReport, f.unsolicited_error);
     },
     [](Faults& f) { f.unsolicited_error = -1; },
     [](const Faults& f) {
       return show_number(f.unsolicited_error >= 0, "pkexe", f.unsolicited_error);
     }},
    {"backlog", "[=N]",
     "each time a PC opens the line, N time sentences (1..1000, default 30) come out at once "
     "ahead of the first reply, as from an adapter that kept what the clock said meanwhile",
     [](Faults& f, std::string_view v) { return number(v, 1, 1000, kDefaultBacklog, f.backlog); },
     [](Faults& f) { f.backlog = 0; },
     [](const Faults& f) { return show_number(f.backlog > 0, "backlog", f.backlog); }},
};

const FaultKind* find_kind(std::string_view name) {
  for (const FaultKind& kind : kFaultKinds) {
    if (kind.name == name)
      return &kind;
  }
  return nullptr;
}

std::uint32_t hex_value(std::string_view digits) {
  std::uint32_t value = 0;
  for (char c : digits)
    value = value << 4 | digit_to_value(c);
  return value;
}

void corrupt_crc(std::string& body) {
  const std::size_t comma = body.rfind(',');
  const std::uint32_t crc = hex_value(std::string_view(body).substr(comma + 1));
  body.replace(comma + 1, std::string::npos, hex_upper(crc ^ 0x5A5A, 4));
}

void malform(std::string& body) {
  const std::size_t comma = body.find(',');
  if (comma == std::string::npos) {
    body += ",#";
  } else if (comma + 1 == body.size() || body[comma + 1] == ',') {
    body.insert(comma + 1, 1, '#');
  } else {
    body[comma + 1] = '#';
  }
}

constexpr std::size_t kOverlongBody = 84;  // framed: 90 characters

void pad(std::string& body) {
  body += ',';
  if (body.size() < kOverlongBody)
    body.append(kOverlongBody - body.size(), '0');
}

void spoil_checksum(std::string& framed) {
  const std::size_t star = framed.rfind('*');
  const std::uint32_t sum = hex_value(std::string_view(framed).substr(star + 1, 2));
  framed.replace(star + 1, 2, hex_upper(sum ^ 0xFF, 2));
}

std::string label_of(const std::string& framed) {
  return framed.substr(0, framed.size() - 2);
}

}  // namespace

bool set_fault(Faults& faults, std::string_view setting, std::string& error) {
  const std::size_t equals = setting.find('=');
  const std::string_view name = setting.substr(0, equals);
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view{} : setting.substr(equals + 1);
  const FaultKind* kind = find_kind(name);
  if (kind == nullptr) {
    error = "unknown fault \"" + std::string(name) + "\"";
    return false;
  }
  Faults changed = faults;
  if (!kind->set(changed, value) || (equals != std::string_view::npos && value.empty())) {
    error = "fault " + std::string(name) + " takes " +
            (kind->syntax.empty() ? std::string("no value") : std::string(kind->syntax));
    return false;
  }
  faults = changed;
  return true;
}

bool clear_fault(Faults& faults, std::string_view name, std::string& error) {
  if (name == "all") {
    faults = Faults{};
    return true;
  }
  const FaultKind* kind = find_kind(name);
  if (kind == nullptr) {
    error = "unknown fault \"" + std::string(name) + "\"";
    return false;
  }
  kind->clear(faults);
  return true;
}

std::string describe_faults(const Faults& faults) {
  std::string text;
  for (const FaultKind& kind : kFaultKinds) {
    const std::string shown = kind.show(faults);
    if (shown.empty())
      continue;
    if (!text.empty())
      text += ' ';
    text += shown;
  }
  return text.empty() ? "none" : text;
}

std::string fault_help() {
  std::string text;
  for (const FaultKind& kind : kFaultKinds) {
    text += help_entry("  " + std::string(kind.name) + std::string(kind.syntax), kind.help);
  }
  return text;
}

std::uint8_t FaultShaper::next_random() {
  // xorshift32: cheap, and the same seed gives the same noise on every run.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  return static_cast<std::uint8_t>(random_ >> 24);
}

bool takes_request(const Faults& faults, std::string_view request_name) {
  if (faults.silent || faults.no_replies)
    return false;
  return !faults.identification_only || request_name == "PKEXI";
}

std::vector<Piece> FaultShaper::shape(const Faults& faults, std::string body, Origin origin) {
  if (faults.silent)
    return {};
  std::int64_t offset_us = 0;
  if (origin == Origin::kReply) {
    ++replies_;
    if (faults.drop_every > 0 && replies_ % static_cast<std::uint64_t>(faults.drop_every) == 0) {
      return {};
    }
    offset_us = std::int64_t{faults.delay_ms} * 1000;
  }

  const bool time_with_crc =
      origin == Origin::kTime && (body.starts_with("PKEXT,") || body.starts_with("PKEXU,"));
  if (faults.bad_crc && time_with_crc)
    corrupt_crc(body);
  if (touches(faults.malformed, origin))
    malform(body);
  if (touches(faults.overlong, origin))
    pad(body);
  std::string framed = frame(body);
  if (touches(faults.bad_checksum, origin))
    spoil_checksum(framed);

  std::vector<Piece> pieces;
  if (origin == Origin::kReply && faults.split_pause_ms > 0) {
    const std::size_t half = framed.size() / 2;
    pieces.push_back({framed.substr(0, half), offset_us, "", false});
    offset_us += std::int64_t{faults.split_pause_ms} * 1000;
    pieces.push_back(
        {framed.substr(half), offset_us,
         label_of(framed) + " (split by " + std::to_string(faults.split_pause_ms) + " ms)", false});
  } else {
    pieces.push_back({framed, offset_us, label_of(framed), false});
  }

  if (faults.noise_bytes > 0) {
    std::string noise;
    for (int i = 0; i < faults.noise_bytes; ++i) {
      std::uint8_t byte = next_random();
      if (byte == '$')
        byte = 0xA4;  // a "$" would start a sentence of its own
      noise += static_cast<char>(byte);
    }
    pieces.push_back(
        {noise, offset_us, "[noise, " + std::to_string(faults.noise_bytes) + " bytes]", true});
  }
  return pieces;
}

}  // namespace tk52::sim
