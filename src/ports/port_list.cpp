#include "ports/port_list.h"

#include <algorithm>
#include <climits>
#include <new>

namespace tk52 {
namespace {

constexpr std::string_view kPrefix = "COM";

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal value of the leading digits, 0 when there are none. Huge values stop at INT_MAX
// rather than wrap, so they can never pass for a port in 1..256.
int leading_number(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (!is_digit(c))
      break;
    const int digit = c - '0';
    value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
  }
  return value;
}

}  // namespace

PortResult PortList::add(std::string_view name, std::string_view description) {
  if (name.size() < kPrefix.size() + 1 || !name.starts_with(kPrefix))
    return PortResult::invalid_argument;
  const int number = leading_number(name.substr(kPrefix.size()));
  const auto place =
      std::find_if(entries_.begin(), entries_.end(),
                   [number](const PortEntry& port) { return port.number >= number; });
  try {
    entries_.insert(place, PortEntry{number, std::string(name), std::string(description)});
  } catch (const std::bad_alloc&) {
    return PortResult::out_of_memory;
  }
  return PortResult::ok;
}

PortResult PortList::build_default() {
  clear();
  for (int number = 1; number <= kMaxNumber; ++number) {
    const PortResult result = add("COM" + std::to_string(number));
    if (result != PortResult::ok) {
      clear();
      return result;
    }
  }
  return PortResult::ok;
}

PortLookup PortList::get(int index) const {
  if (index < 0 || index >= count())
    return {PortResult::invalid_argument, nullptr};
  return {PortResult::ok, &entries_[static_cast<std::size_t>(index)]};
}

PortLookup PortList::find(int number) const {
  if (number < 1 || number > kMaxNumber)
    return {PortResult::invalid_argument, nullptr};
  const std::size_t index = index_of(number);
  if (index == entries_.size())
    return {PortResult::fail, nullptr};
  return {PortResult::ok, &entries_[index]};
}

PortResult PortList::describe(int number, std::string_view description) {
  const PortResult found = find(number).result;
  if (found != PortResult::ok)
    return found;
  try {
    entries_[index_of(number)].description.assign(description);
  } catch (const std::bad_alloc&) {
    return PortResult::out_of_memory;
  }
  return PortResult::ok;
}

std::size_t PortList::index_of(int number) const {
  const auto port = std::find_if(entries_.begin(), entries_.end(),
                                 [number](const PortEntry& p) { return p.number == number; });
  return static_cast<std::size_t>(port - entries_.begin());
}

std::optional<FriendlyName> parse_friendly_name(std::string_view friendly_name) {
  const std::size_t open = friendly_name.rfind('(');
  if (open == std::string_view::npos || open == 0)
    return std::nullopt;
  const std::string_view suffix = friendly_name.substr(open + 1);
  if (!suffix.starts_with(kPrefix) || suffix.size() == kPrefix.size() ||
      !is_digit(suffix[kPrefix.size()]))
    return std::nullopt;
  std::size_t end = open;
  // UTF-8 continuation and lead bytes are all above 0x7F, so cutting bytewise is safe.
  while (end > 0 && static_cast<unsigned char>(friendly_name[end - 1]) <= ' ')
    --end;
  return FriendlyName{leading_number(suffix.substr(kPrefix.size())),
                      std::string(friendly_name.substr(0, end))};
}

std::string item_text(const PortEntry& port) {
  if (port.description.empty())
    return port.name;
  return port.name + " - " + port.description;
}

}  // namespace tk52
