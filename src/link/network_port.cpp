#include "link/network_port.h"

#include <charconv>

namespace tk52 {
namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;
// COM Port Control commands, client to server.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
// The server answers a command with the command's code plus 100.
constexpr std::uint8_t kServerOffset = 100;
// The longest name DNS can carry.
constexpr std::size_t kMaxHostName = 253;

std::string command(std::uint8_t verb, std::uint8_t option) {
  return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

std::string subnegotiation(std::uint8_t what, std::string_view value) {
  std::string s = {static_cast<char>(kIac), static_cast<char>(kSb),
                   static_cast<char>(kComPortOption), static_cast<char>(what)};
  s += TelnetLink::escape(value);
  s += static_cast<char>(kIac);
  s += static_cast<char>(kSe);
  return s;
}

}  // namespace

std::optional<NetworkPortName> parse_network_port(std::string_view name) {
  NetworkPortName parsed;
  if (name.substr(0, 6) == "tcp://") {
    name.remove_prefix(6);
  } else if (name.substr(0, 10) == "rfc2217://") {
    name.remove_prefix(10);
    parsed.rfc2217 = true;
  } else {
    return std::nullopt;
  }
  const auto colon = name.rfind(':');
  // "[::1]" alone has colons but no port after the bracket.
  if (colon == std::string_view::npos || (!name.empty() && name.back() == ']')) {
    parsed.problem = "В имени порта нет номера порта (нужно tcp://УЗЕЛ:ПОРТ).";
    return parsed;
  }
  std::string_view host = name.substr(0, colon);
  const std::string_view port = name.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  int number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (host.empty()) {
    parsed.problem = "В имени порта не указан узел (нужно tcp://УЗЕЛ:ПОРТ).";
  } else if (host.size() > kMaxHostName) {
    parsed.problem = "Имя узла длиннее " + std::to_string(kMaxHostName) + " знаков.";
  } else if (port.empty() || error != std::errc() || end != port.data() + port.size() ||
             number < 1 || number > 65535) {
    parsed.problem = "Неверный номер порта «" + std::string(port.substr(0, 16)) +
                     "»: допустимы числа от 1 до 65535.";
  } else {
    parsed.host = host;
    parsed.port = number;
  }
  return parsed;
}

bool line_speed_settable(std::string_view port_name) {
  const auto network = parse_network_port(port_name);
  return !network || network->rfc2217;
}

std::string TelnetLink::greeting() {
  return command(kWill, kComPortOption) + command(kWill, kBinary) + command(kDo, kBinary) +
         command(kWill, kSuppressGoAhead) + command(kDo, kSuppressGoAhead);
}

std::string TelnetLink::set_baud(int baud) {
  const auto b = static_cast<std::uint32_t>(baud);
  const char value[4] = {static_cast<char>(b >> 24), static_cast<char>((b >> 16) & 0xFF),
                         static_cast<char>((b >> 8) & 0xFF), static_cast<char>(b & 0xFF)};
  return subnegotiation(kSetBaudRate, std::string_view(value, 4));
}

std::string TelnetLink::line_settings(int baud) {
  return set_baud(baud) + subnegotiation(kSetDataSize, "\x08") +
         subnegotiation(kSetParity, "\x01") + subnegotiation(kSetStopSize, "\x01") +
         subnegotiation(kSetControl, "\x01");
}

std::string TelnetLink::escape(std::string_view data) {
  std::string escaped;
  escaped.reserve(data.size());
  for (const char c : data) {
    escaped += c;
    if (static_cast<std::uint8_t>(c) == kIac)
      escaped += c;
  }
  return escaped;
}

void TelnetLink::keep_sub_byte(std::uint8_t b) {
  if (sub_size_ < sizeof sub_)
    sub_[sub_size_] = b;
  ++sub_size_;
}

void TelnetLink::receive(const char* bytes, std::size_t size, std::string& data,
                         std::string& replies) {
  for (std::size_t i = 0; i < size; ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    switch (state_) {
      case State::kData:
        if (b == kIac) {
          state_ = State::kCommand;
        } else {
          data += static_cast<char>(b);
        }
        break;
      case State::kCommand:
        if (b == kIac) {
          data += static_cast<char>(b);
          state_ = State::kData;
        } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
          verb_ = b;
          state_ = State::kOption;
        } else if (b == kSb) {
          state_ = State::kSub;
          sub_size_ = 0;
        } else {
          state_ = State::kData;  // NOP, GA and the like: nothing to do
        }
        break;
      case State::kOption: {
        state_ = State::kData;
        // Asked to do, or told the server will do, an option: COM Port Control, binary and
        // suppress-go-ahead are welcome (and were offered in the greeting); any other is
        // refused, once per option and direction.
        const bool wanted = b == kComPortOption || b == kBinary || b == kSuppressGoAhead;
        if (verb_ != kDo && verb_ != kWill) {
          // Without COM Port Control the line keeps the server's speed, as over raw TCP.
          if (b == kComPortOption)
            com_port_refused_ = true;
          break;
        }
        const int side = verb_ == kDo ? 0 : 1;
        std::uint32_t& bits = answered_[side][b / 32];
        const std::uint32_t bit = 1u << (b % 32);
        if ((bits & bit) != 0)
          break;
        bits |= bit;
        if (!wanted)
          replies += command(verb_ == kDo ? kWont : kDont, b);
        break;
      }
      case State::kSub:
        // The server's answers to the settings and its notifications: only the answer to
        // SET-BAUDRATE matters, the rest is skipped up to IAC SE.
        if (b == kIac) {
          state_ = State::kSubCommand;
        } else {
          keep_sub_byte(b);
        }
        break;
      case State::kSubCommand:
        if (b == kIac) {
          keep_sub_byte(b);
          state_ = State::kSub;
        } else if (b == kSe) {
          state_ = State::kData;
          if (sub_size_ == 6 && sub_[0] == kComPortOption &&
              sub_[1] == kServerOffset + kSetBaudRate) {
            ++baud_answers_;
            reported_baud_ = std::uint32_t{sub_[2]} << 24 | std::uint32_t{sub_[3]} << 16 |
                             std::uint32_t{sub_[4]} << 8 | sub_[5];
          }
        } else {
          state_ = State::kSub;
        }
        break;
    }
  }
}

}  // namespace tk52
