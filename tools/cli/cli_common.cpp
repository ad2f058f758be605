#include "cli_common.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tk52::cli {

int report(const Outcome& outcome) {
  if (outcome.message.id != MessageId::kNone)
    print_error("%s\n", message_text(outcome.message).c_str());
  return exit_code(outcome);
}

int exit_code(const Outcome& outcome) {
  if (outcome.ok())
    return kExitSuccess;
  return message_entry(outcome.message.id).severity == Severity::kIncomplete
             ? kExitIncompleteJournal
             : kExitFailure;
}

int usage_error(const std::string& message) {
  print_error("tk52cli: %s (see tk52cli help)\n", message.c_str());
  return kExitUsage;
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

namespace {
// A console write that failed leaves no error flag on the stream: it is remembered here.
std::atomic<bool> g_output_failed{false};
}  // namespace

void print_line(const std::string& json) {
  print_text(json + "\n");
}

void print_text(std::string_view utf8) {
  if (!write_text(stdout, utf8))
    g_output_failed.store(true);
}

void print_file_line(std::string_view cp1251_line) {
  if (!write_file_line(stdout, cp1251_line))
    g_output_failed.store(true);
}

bool output_failed() {
  // The error flag stays set once a write failed, even when a later flush finds nothing left.
  return std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || g_output_failed.load();
}

bool CliLogFile::open(const std::string& path) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "ab");
  if (file_ == nullptr) {
    print_error("tk52cli: cannot open the log file %s: %s\n", path.c_str(), std::strerror(errno));
    failed_ = true;
    return false;
  }
  return true;
}

void CliLogFile::write(const std::string& line) {
  if (file_ == nullptr || failed_)
    return;
  const bool ends_line = !line.empty() && line.back() == '\n';
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      (!ends_line && std::fwrite("\r\n", 1, 2, file_) != 2) || std::fflush(file_) != 0) {
    fail();
  }
}

void CliLogFile::close() {
  if (file_ == nullptr)
    return;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed && !failed_)
    fail();
}

void CliLogFile::fail() {
  failed_ = true;
  print_error("tk52cli: cannot write the log file %s: %s\n", path_.c_str(), std::strerror(errno));
}

}  // namespace tk52::cli
