// What every tk52cli command shares: usage errors, number options, JSON output lines.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/messages.h"
#include "terminal.h"

namespace tk52::cli {

// tk52cli's exit codes. A script tells a clock that did not answer (failure) from a journal
// that came only in part: the records read are written all the same.
enum ExitCode : int {
  kExitSuccess = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitIncompleteJournal = 3,
  kExitInterrupted = 130,  // Ctrl-C, as a shell reports a program that SIGINT ended
};

// Prints the outcome's message (the catalogue's text, with its port and reason) on standard
// error, and returns the exit code it stands for: success only for an operation that did what
// was asked; otherwise the message's severity decides (an incomplete result is 3, all else 1).
int report(const Outcome& outcome);
// The same exit code, for an outcome whose message was already shown.
int exit_code(const Outcome& outcome);

// Prints "tk52cli: <message> (see tk52cli help)" on standard error; returns kExitUsage.
int usage_error(const std::string& message);

// A decimal number in lo..hi, nothing else.
bool parse_number(std::string_view text, int lo, int hi, int& value);

// One JSON object on its own line of standard output, flushed at once for pipes. A failed
// write is remembered for output_failed().
void print_line(const std::string& json);
// UTF-8 text on standard output in the terminal's encoding (see terminal.h).
void print_text(std::string_view utf8);
// A line of a Windows-1251 file (a journal line with its CR LF) on standard output.
void print_file_line(std::string_view cp1251_line);

// Flushes standard output; true when any write to it has failed (a full disk, a closed pipe).
bool output_failed();

// The traffic log a command appends to with --log: Windows-1251 lines ending in CR LF. Every
// write is checked; the first failure is reported on standard error and remembered.
class CliLogFile {
 public:
  CliLogFile() = default;
  ~CliLogFile() { close(); }
  CliLogFile(const CliLogFile&) = delete;
  CliLogFile& operator=(const CliLogFile&) = delete;

  // False (and a message) when `path` cannot be opened for appending.
  bool open(const std::string& path);
  // Event lines come without their CR LF; the file gets one, as the log view adds it.
  void write(const std::string& line);
  // Closes the file; a failure to write its last bytes counts as a failed write.
  void close();
  bool failed() const { return failed_.load(); }

 private:
  void fail();

  std::string path_;
  std::FILE* file_ = nullptr;
  // Written by the log's consumer thread, read by the command's.
  std::atomic<bool> failed_{false};
};

}  // namespace tk52::cli
