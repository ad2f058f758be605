// Feeds arbitrary bytes from an RFC 2217 server through the Telnet layer of the port: commands,
// option negotiation and subnegotiations of any shape, cut anywhere. Besides safety it checks
// that the outcome does not depend on how the bytes were split into reads (the first byte picks
// the cut), that data never grows, and that every answer owed is a whole three-byte refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/network_port.h"

namespace {

struct Outcome {
  std::string data;
  std::string replies;
  bool refused;
  unsigned answers;
  std::uint32_t baud;

  bool operator==(const Outcome&) const = default;
};

Outcome run(const std::vector<char>& bytes, std::size_t cut) {
  tk52::TelnetLink link;
  Outcome o{};
  // Exact-size copies, so that a read past either part is caught by AddressSanitizer.
  const std::vector<char> first(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
  const std::vector<char> second(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.end());
  link.receive(first.data(), first.size(), o.data, o.replies);
  link.receive(second.data(), second.size(), o.data, o.replies);
  o.refused = link.com_port_refused();
  o.answers = link.baud_answers();
  o.baud = link.reported_baud();
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::vector<char> bytes(data + 1, data + size);
  const std::size_t cut = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);
  const Outcome whole = run(bytes, bytes.size());
  const Outcome split = run(bytes, cut);
  if (!(whole == split))
    std::abort();
  if (whole.data.size() > bytes.size() || whole.replies.size() % 3 != 0)
    std::abort();
  for (std::size_t i = 0; i < whole.replies.size(); i += 3) {
    const auto verb = static_cast<std::uint8_t>(whole.replies[i + 1]);
    if (static_cast<std::uint8_t>(whole.replies[i]) != 0xFF || (verb != 0xFC && verb != 0xFE))
      std::abort();
  }
  return 0;
}
