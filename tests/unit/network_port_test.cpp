// Port names of serial device servers, and the Telnet layer of an RFC 2217 connection.
#include "link/network_port.h"

#include <gtest/gtest.h>

#include <string>

namespace tk52 {
namespace {

TEST(NetworkPort, Names) {
  const struct {
    const char* name;
    bool network;
    bool rfc2217;
    const char* host;
    int port;
  } cases[] = {
      {"tcp://10.0.0.7:4001", true, false, "10.0.0.7", 4001},
      {"rfc2217://clock-7.example:2217", true, true, "clock-7.example", 2217},
      {"tcp://[::1]:65535", true, false, "::1", 65535},
      {"/dev/ttyUSB0", false, false, "", 0},
      {"COM3", false, false, "", 0},
      {"tcp://host", false, false, "", 0},
      {"tcp://host:0", false, false, "", 0},
      {"tcp://host:65536", false, false, "", 0},
      {"tcp://host:40x1", false, false, "", 0},
      {"tcp://:4001", false, false, "", 0},
      {"telnet://host:23", false, false, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = parse_network_port(c.name);
    ASSERT_EQ(parsed.has_value(), c.network);
    if (parsed) {
      EXPECT_EQ(parsed->rfc2217, c.rfc2217);
      EXPECT_EQ(parsed->host, c.host);
      EXPECT_EQ(parsed->port, c.port);
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
