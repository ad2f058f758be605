// Port names of serial device servers, and the Telnet layer of an RFC 2217 connection.
#include "link/network_port.h"

#include <gtest/gtest.h>

#include <string>

namespace tk52 {
namespace {

TEST(NetworkPort, Names) {
  const std::string long_host(254, 'a');
  const struct {
    std::string name;
    bool network;
    bool rfc2217;
    const char* host;
    int port;
    const char* problem;  // a part of the reason, "" for a usable name
  } cases[] = {
      {"tcp://10.0.0.7:4001", true, false, "10.0.0.7", 4001, ""},
      {"rfc2217://clock-7.example:2217", true, true, "clock-7.example", 2217, ""},
      {"tcp://[::1]:65535", true, false, "::1", 65535, ""},
      {"tcp://" + std::string(253, 'a') + ":1", true, false, long_host.c_str() + 1, 1, ""},
      {"/dev/ttyUSB0", false, false, "", 0, ""},
      {"COM3", false, false, "", 0, ""},
      {"telnet://host:23", false, false, "", 0, ""},
      {"tcp://host", true, false, "", 0, "нет номера порта"},
      {"tcp://[::1]", true, false, "", 0, "нет номера порта"},
      {"tcp://host:", true, false, "", 0, "Неверный номер порта «»"},
      {"tcp://host:0", true, false, "", 0, "Неверный номер порта «0»"},
      {"tcp://host:65536", true, false, "", 0, "Неверный номер порта «65536»"},
      {"rfc2217://host:70000", true, true, "", 0, "Неверный номер порта «70000»"},
      {"tcp://host:40x1", true, false, "", 0, "Неверный номер порта «40x1»"},
      {"tcp://host:-1", true, false, "", 0, "Неверный номер порта «-1»"},
      {"tcp://:4001", true, false, "", 0, "не указан узел"},
      {"tcp://[]:4001", true, false, "", 0, "не указан узел"},
      {"tcp://" + long_host + ":4001", true, false, "", 0, "длиннее 253 знаков"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = parse_network_port(c.name);
    ASSERT_EQ(parsed.has_value(), c.network);
    if (parsed) {
      EXPECT_EQ(parsed->rfc2217, c.rfc2217);
      EXPECT_EQ(parsed->host, c.host);
      EXPECT_EQ(parsed->port, c.port);
      if (*c.problem == '\0') {
        EXPECT_EQ(parsed->problem, "");
      } else {
        EXPECT_NE(parsed->problem.find(c.problem), std::string::npos) << parsed->problem;
      }
    }
  }
}

TEST(NetworkPort, TelnetCommandsAreTakenOutOfTheLinesBytes) {
  TelnetLink link;
  std::string data, replies;
  // An escaped 0xFF, a subnegotiation (with an escaped 0xFF inside) split across two reads,
  // the server's welcome of COM Port Control, and a request for the terminal type.
  const std::string first =
      "$PK\xFF\xFF"
      "EX\xFF\xFA\x2C\x65\x00\x00\xFF\xFF";
  const std::string second =
      "\x96\xFF\xF0"
      "I*4F\xFF\xFD\x2C\xFF\xFD\x18\r\n\xFF\xFD\x18";
  link.receive(first.data(), first.size(), data, replies);
  link.receive(second.data(), second.size(), data, replies);
  EXPECT_EQ(data,
            "$PK\xFF"
            "EXI*4F\r\n");
  // The terminal type refused once, however often it is asked for.
  EXPECT_EQ(replies, "\xFF\xFC\x18");
}

// What the server says of COM Port Control, byte by byte as it may come: a refusal, answers to
// the speed requests (only a whole SET-BAUDRATE answer counts), and subnegotiations cut short.
TEST(NetworkPort, TheServersAnswersToComPortControl) {
  const struct {
    const char* what;
    std::string bytes;
    bool refused;
    unsigned answers;
    std::uint32_t baud;
    std::string data;
  } cases[] = {
      {"DONT 44", "\xFF\xFE\x2C", true, 0, 0, ""},
      {"WONT 44", "x\xFF\xFC\x2Cy", true, 0, 0, "xy"},
      {"DONT of another option", "\xFF\xFE\x18", false, 0, 0, ""},
      {"DO 44, then the answer to SET-BAUDRATE 9600",
       std::string("\xFF\xFD\x2C\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0", 13), false, 1, 9600, ""},
      {"an answer of 255 bit/s, its 0xFF doubled",
       std::string("\xFF\xFA\x2C\x65\x00\x00\x00\xFF\xFF\xFF\xF0", 11), false, 1, 255, ""},
      {"two answers",
       std::string("\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0", 10) +
           std::string("\xFF\xFA\x2C\x65\x00\x01\xC2\x00\xFF\xF0", 10),
       false, 2, 115200, ""},
      {"the client's own command code (1) is no answer",
       std::string("\xFF\xFA\x2C\x01\x00\x00\x25\x80\xFF\xF0", 10), false, 0, 0, ""},
      {"a value cut short", std::string("\xFF\xFA\x2C\x65\x00\x25\x80\xFF\xF0", 9), false, 0, 0,
       ""},
      {"a value too long", std::string("\xFF\xFA\x2C\x65\x00\x00\x00\x25\x80\xFF\xF0", 11), false,
       0, 0, ""},
      {"another option's subnegotiation",
       std::string("\xFF\xFA\x18\x65\x00\x00\x25\x80\xFF\xF0", 10), false, 0, 0, ""},
      {"a notification (line state)", std::string("\xFF\xFA\x2C\x6A\x60\xFF\xF0z", 8), false, 0, 0,
       "z"},
      {"never ended",
       std::string("\xFF\xFA\x2C\x65\x00\x00\x25\x80"
                   "abc",
                   11),
       false, 0, 0, ""},
      {"IAC IAC is data", "\xFF\xFF\xFF\xFF", false, 0, 0, "\xFF\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Whole, and one byte at a time: the same outcome.
    for (const bool bytewise : {false, true}) {
      TelnetLink link;
      std::string data, replies;
      if (bytewise) {
        for (const char b : c.bytes)
          link.receive(&b, 1, data, replies);
      } else {
        link.receive(c.bytes.data(), c.bytes.size(), data, replies);
      }
      EXPECT_EQ(link.com_port_refused(), c.refused);
      EXPECT_EQ(link.baud_answers(), c.answers);
      EXPECT_EQ(link.reported_baud(), c.baud);
      EXPECT_EQ(data, c.data);
    }
  }
}

TEST(NetworkPort, RequestsToTheServer) {
  EXPECT_EQ(TelnetLink::set_baud(38400),
            std::string("\xFF\xFA\x2C\x01\x00\x00\x96\x00\xFF\xF0", 10));
  // 0xFF in a value is doubled, as everywhere.
  EXPECT_EQ(TelnetLink::set_baud(255),
            std::string("\xFF\xFA\x2C\x01\x00\x00\x00\xFF\xFF\xFF\xF0", 11));
  EXPECT_EQ(TelnetLink::escape("a\xFF"
                               "b"),
            "a\xFF\xFF"
            "b");
  EXPECT_EQ(TelnetLink::greeting().substr(0, 3), "\xFF\xFB\x2C");  // WILL COM-PORT-OPTION
}

}  // namespace
}  // namespace tk52
