// What the log file costs at its limits: one append to a log at the line cap, indexing a whole
// 100,000-line log (beside `wc -l` on the same file, started without a shell), and the cut-back.
// Prints medians.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "log/log_file.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using tk52::LogFile;
using tk52::LogResult;
using Clock = std::chrono::steady_clock;

// Traffic-log lines of the usual length, a received time sentence.
std::string traffic_lines(int count) {
  std::string lines;
  lines.reserve(static_cast<std::size_t>(count) * 72);
  char line[96];
  for (int i = 0; i < count; ++i) {
    const int second = i % 60;
    std::snprintf(
        line, sizeof line,
        " [10.12.2026-12:%.2d:%.2d:%.3d] >>> $GPZDA,12%.2d%.2d.00,10,12,2026,00,00*55\r\n",
        i / 60 % 60, second, i % 1000, i / 60 % 60, second);
    lines += line;
  }
  return lines;
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The median of `runs` timings of `measured`; `prepare` runs untimed before each.
double median_ms(int runs, const std::function<void()>& prepare,
                 const std::function<void()>& measured) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const Clock::time_point start = Clock::now();
    measured();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<std::size_t>(runs / 2)];
}

void report(const std::string& what, double ms) {
  std::printf("  %-56s %9.3f ms\n", what.c_str(), ms);
}

// Runs `argv` found on PATH with no shell in between, the file on its standard input and its
// output thrown away, and waits for it. True when it exited with 0.
bool run_directly(std::vector<std::string> argv, const fs::path& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> pointers;
  for (std::string& arg : argv)
    pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "log_file_bench: %s failed\n", what);
    std::exit(1);
  }
}

}  // namespace

int main() {
  std::random_device random;
  const fs::path folder =
      fs::temp_directory_path() / ("tk52_log_bench_" + std::to_string(random()));
  fs::create_directories(folder);
  const fs::path path = folder / "journal.txt";
  const std::string line = traffic_lines(1);
  const std::string below_cap = traffic_lines(static_cast<int>(LogFile::kMaxLines) - 1);
  const std::string at_cap = traffic_lines(static_cast<int>(LogFile::kMaxLines));
  const std::string full = traffic_lines(static_cast<int>(LogFile::kMaxLines) + 1);
  constexpr int kRuns = 21;

  std::printf("log file of %zu-byte lines, medians of %d runs:\n", line.size(), kRuns);

  // The last append that does not reach the cap, so that no cut-back hides in it.
  std::optional<LogFile> log;
  const double append_ms = median_ms(
      kRuns,
      [&] {
        log.reset();
        write_file(path, below_cap);
        log.emplace(false);
        expect(log->open(path) == LogResult::kDone, "opening");
      },
      [&] { expect(log->append(line) == LogResult::kDone, "appending"); });
  expect(log->line_count() == LogFile::kMaxLines, "appending below the cap");
  log.reset();
  write_file(path, at_cap);
  const double reindex_ms = median_ms(
      kRuns, [] {},
      [&] {
        LogFile fresh(true);
        expect(fresh.open(path) == LogResult::kDone, "indexing");
      });
  report("append at 99,998 lines, indexing only the new bytes", append_ms);
  report("full index of the resulting 99,999 lines", reindex_ms);

  write_file(path, full);
  const double index_ms = median_ms(
      kRuns, [] {},
      [&] {
        LogFile fresh(true);
        expect(fresh.open(path) == LogResult::kDone, "indexing");
      });
  const double wc_ms = median_ms(
      kRuns, [] {},
      [&] {
        expect(run_directly({"wc", "-l"}, path), "wc -l");
      });
  const double start_ms = median_ms(
      kRuns, [] {}, [&] { expect(run_directly({"true"}, path), "true"); });
  report("index of a 100,000-line file (" + std::to_string(full.size()) + " bytes)", index_ms);
  report("wc -l on the same file, started directly", wc_ms);
  report("  of which starting a program (\"true\")", start_ms);

  const double cut_ms = median_ms(
      kRuns,
      [&] {
        log.reset();
        write_file(path, at_cap);
        log.emplace(false);
        expect(log->open(path) == LogResult::kDone, "opening");
      },
      [&] { expect(log->append(line) == LogResult::kDone, "cutting back"); });
  expect(log->line_count() == LogFile::kCutBackCrLf - 1, "cutting back");
  log.reset();
  report("append of line 100,000 and the cut-back to 74,999 lines", cut_ms);

  fs::remove_all(folder);
  return 0;
}
