#include "cli_common.h"

#include <cstdio>

namespace tk52::cli {

int usage_error(const std::string& message) {
  std::fprintf(stderr, "tk52cli: %s (see tk52cli help)\n", message.c_str());
  return 2;
}

bool parse_number(std::string_view text, int lo, int hi, int& value) {
  if (text.empty() || text.size() > 9)
    return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi)
    return false;
  value = v;
  return true;
}

void print_line(const std::string& json) {
  std::fputs(json.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace tk52::cli
