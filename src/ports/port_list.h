// The serial ports of the PC, in ascending order of port number, as the port selection window
// shows them. Names follow the Windows "COMn" form; the POSIX scan (port_scan_posix.h) deals in
// device paths instead and does not use this list.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk52 {

// Every operation that can fail says why; none throws.
enum class PortResult {
  ok,
  invalid_argument,  // a malformed name, an index or number out of range
  out_of_memory,
  access_denied,  // the system's port map could not be read
  fail,           // anything else, such as a number that is in range but absent
};

struct PortEntry {
  int number = 0;           // the decimal value after "COM"
  std::string name;         // UTF-8, such as "COM12"
  std::string description;  // from the device's friendly name; empty when there is none
};

// entry is null unless result is ok; it stays valid until the list next changes.
struct PortLookup {
  PortResult result = PortResult::fail;
  const PortEntry* entry = nullptr;
};

class PortList {
 public:
  static constexpr int kMaxNumber = 256;

  // The name must be at least four characters and start with "COM". The number is read from
  // the digits that follow, up to the first non-digit (COM7a is port 7, COMx is port 0). A port
  // goes before the first one whose number is not smaller, so a repeated number goes in front.
  PortResult add(std::string_view name, std::string_view description = {});

  // COM1..COM256, for when the system cannot tell which ports exist. On failure the list is
  // left empty.
  PortResult build_default();

  int count() const { return static_cast<int>(entries_.size()); }

  // invalid_argument outside 0..count-1.
  PortLookup get(int index) const;

  // The first port with the number: invalid_argument outside 1..kMaxNumber, fail when absent.
  PortLookup find(int number) const;

  // Sets the description of the first port with the number; results as find.
  PortResult describe(int number, std::string_view description);

  void clear() { entries_.clear(); }

 private:
  // The position of the first port with the number, or the count when there is none.
  std::size_t index_of(int number) const;

  std::vector<PortEntry> entries_;
};

// A device's friendly name that ends in its port, such as "USB Serial Port (COM5)".
struct FriendlyName {
  int number = 0;
  std::string description;  // "USB Serial Port": cut before the "(" and the blanks before it
};

// Only the last "(" counts, and only when it is not the first character and is followed by
// "COM" and at least one digit. Blanks are every byte of code 32 or below.
std::optional<FriendlyName> parse_friendly_name(std::string_view friendly_name);

// The combo box item: "COM5 - USB Serial Port", or the name alone.
std::string item_text(const PortEntry& port);

}  // namespace tk52
