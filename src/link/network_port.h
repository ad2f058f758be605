// Clocks behind a serial device server: a port name "tcp://HOST:PORT" is a raw TCP connection to
// the server's serial line, "rfc2217://HOST:PORT" a Telnet connection with the COM Port Control
// option (RFC 2217), through which the line's speed is set as on a local port. The platform's
// port opens a socket for such a name (serial_port_posix.cpp); what is portable is here: the
// name, and the Telnet layer between the socket and the serial line's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tk52 {

struct NetworkPortName {
  bool rfc2217 = false;  // false: raw TCP
  std::string host;
  int port = 0;
  // Empty for a usable name; otherwise what is wrong with it, as a sentence for the operator
  // (no host, no port, a port outside 1..65535, a host name longer than DNS allows).
  std::string problem;
};

// The parts of "tcp://HOST:PORT" or "rfc2217://HOST:PORT" (HOST may be "[v6 address]"); nothing
// for a name of any other kind.
std::optional<NetworkPortName> parse_network_port(std::string_view name);

// False for a raw TCP line, whose speed only the server sets: a speed search there would
// report a speed it never tried, and a speed change would leave the clock at a speed the line
// never takes.
bool line_speed_settable(std::string_view port_name);

// The Telnet side of an RFC 2217 connection. Bytes from the socket go through receive(): the
// line's data bytes come out, commands and option negotiation are taken out, and the answers
// the server is owed are collected for the caller to send. Data going to the line is escaped
// (0xFF doubled) by escape(). What the server said of COM Port Control is kept: whether it
// refused the option, and its answers to the speed requests, by which the caller knows whether
// the line's speed is really set.
class TelnetLink {
 public:
  // What the client says first: it will do COM Port Control and binary transmission both ways.
  static std::string greeting();
  // The subnegotiations that set the line to `baud` bit/s, 8 data bits, no parity, 1 stop bit
  // and no flow control.
  static std::string line_settings(int baud);
  static std::string set_baud(int baud);
  static std::string escape(std::string_view data);

  // Takes bytes from the socket; appends the line's data bytes to `data` and the answers due to
  // the server to `replies`.
  void receive(const char* bytes, std::size_t size, std::string& data, std::string& replies);

  // True once the server said DONT or WONT COM Port Control.
  bool com_port_refused() const { return com_port_refused_; }
  // How many answers to SET-BAUDRATE have come, and the speed the latest one reported.
  unsigned baud_answers() const { return baud_answers_; }
  std::uint32_t reported_baud() const { return reported_baud_; }

 private:
  enum class State { kData, kCommand, kOption, kSub, kSubCommand };
  void keep_sub_byte(std::uint8_t b);

  State state_ = State::kData;
  std::uint8_t verb_ = 0;
  // The subnegotiation being read: its first bytes (option, command, a 4-byte value) and its
  // length.
  std::uint8_t sub_[6] = {};
  std::size_t sub_size_ = 0;
  bool com_port_refused_ = false;
  unsigned baud_answers_ = 0;
  std::uint32_t reported_baud_ = 0;
  // Options already answered, so that a repeated request is not answered forever.
  std::uint32_t answered_[2][8] = {};
};

}  // namespace tk52
