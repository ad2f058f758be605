#include "ports/port_scan_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <tuple>

namespace tk52 {
namespace {

constexpr std::array<std::string_view, 3> kFamilies = {"ttyS", "ttyUSB", "ttyACM"};

struct Candidate {
  std::size_t family;
  unsigned long number;
  std::string path;
};

// The family and number of a name such as ttyUSB3; nothing for other names.
bool classify(std::string_view name, std::size_t& family, unsigned long& number) {
  for (std::size_t f = 0; f < kFamilies.size(); ++f) {
    if (!name.starts_with(kFamilies[f]))
      continue;
    const std::string_view digits = name.substr(kFamilies[f].size());
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    family = f;
    number = std::stoul(std::string(digits));
    return true;
  }
  return false;
}

bool answers(const std::string& path) {
  // Non-blocking, so that a port waiting for carrier does not hold the scan up.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return errno == EBUSY;
  const bool terminal = ::isatty(fd) == 1;
  ::close(fd);
  return terminal;
}

}  // namespace

std::vector<std::string> scan_serial_devices(const std::string& directory) {
  std::vector<Candidate> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    Candidate candidate;
    if (!classify(entry.path().filename().string(), candidate.family, candidate.number))
      continue;
    candidate.path = entry.path().string();
    if (answers(candidate.path))
      found.push_back(std::move(candidate));
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.family, a.number) < std::tie(b.family, b.number);
  });
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (auto& candidate : found)
    paths.push_back(std::move(candidate.path));
  return paths;
}

}  // namespace tk52
