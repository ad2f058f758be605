// The log file on real files in a fresh folder: what reaches the disk, what the index holds,
// and the cut-back with its temporary file. Big files are written in one go, not line by line.
#include "log/log_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tk52 {
namespace {

namespace fs = std::filesystem;

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::random_device random;
    for (;;) {
      path_ = fs::temp_directory_path() / ("tk52_log_test_" + std::to_string(random()));
      if (fs::create_directory(path_))
        return;
    }
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class CurrentFolder {
 public:
  explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~CurrentFolder() { fs::current_path(previous_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  fs::path previous_;
};

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

void write_file(const fs::path& path, std::string_view bytes,
                std::ios::openmode mode = std::ios::trunc) {
  std::ofstream out(path, std::ios::binary | mode);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "line <first>\r\n" .. "line <last>\r\n"
std::string numbered_lines(int first, int last) {
  std::string lines;
  lines.reserve(static_cast<std::size_t>(last - first + 1) * 13);
  for (int i = first; i <= last; ++i)
    lines += "line " + std::to_string(i) + "\r\n";
  return lines;
}

std::set<std::string> names_in(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

std::vector<std::uint64_t> line_starts(const LogFile& log) {
  std::vector<std::uint64_t> starts;
  for (LineNumber line = 0; line <= log.line_count(); ++line)
    starts.push_back(log.line_start(line).value);
  return starts;
}

// What a fresh log opened on `path` indexes, reading the whole file.
std::vector<std::uint64_t> full_index(const fs::path& path) {
  LogFile fresh(true);
  EXPECT_EQ(fresh.open(path), LogResult::kDone);
  return line_starts(fresh);
}

std::string line_text(const LogFile& log, LineNumber line) {
  std::array<char, LogFile::kPaintedBytes> buffer{};
  return std::string(buffer.data(), log.read_line(line, buffer));
}

class LogFileTest : public ::testing::Test {
 protected:
  fs::path file(const std::string& name) const { return folder_.path() / name; }
  fs::path subfolder(const std::string& name) const {
    fs::create_directory(folder_.path() / name);
    return folder_.path() / name;
  }

 private:
  TemporaryFolder folder_;
};

TEST_F(LogFileTest, OpenCreatesAMissingFileAndNeverTruncates) {
  struct Case {
    const char* legend;
    bool read_only;
    std::optional<std::string> existing;
    LineNumber lines;
  };
  const Case cases[] = {
      {"missing, writable", false, std::nullopt, 0},
      {"missing, read-only", true, std::nullopt, 0},
      {"existing, writable", false, "a\r\nb\r\nc", 2},
      {"existing, read-only", true, "a\r\nb\r\nc", 2},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path path = file("open" + std::to_string(n++) + ".txt");
    if (c.existing)
      write_file(path, *c.existing);
    LogFile log(c.read_only);
    EXPECT_EQ(log.open(path), LogResult::kDone);
    EXPECT_EQ(log.open(path), LogResult::kAlreadyOpen);
    EXPECT_EQ(log.path(), path);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(contents(path), c.existing.value_or(""));
    EXPECT_EQ(log.line_count(), c.lines);
    EXPECT_EQ(log.close(), LogResult::kDone);
    EXPECT_EQ(log.close(), LogResult::kNoFile);
    EXPECT_EQ(log.line_count(), 0u);
    EXPECT_TRUE(log.path().empty());
  }
  LogFile log(false);
  EXPECT_EQ(log.open(file("no such folder") / "log.txt"), LogResult::kCannotOpen);
  EXPECT_FALSE(log.is_open());
}

TEST_F(LogFileTest, AppendEndsTheBlockWithCrLfUnlessItEndsInLf) {
  struct Case {
    const char* legend;
    std::string_view block;
    LogResult result;
    std::string_view file;
    LineNumber lines;
  };
  const Case cases[] = {
      {"event text", "text", LogResult::kDone, "text\r\n", 1},
      {"sentence with its CR LF", "$GPZDA*55\r\n", LogResult::kDone, "$GPZDA*55\r\n", 1},
      {"ends in a bare LF", "text\n", LogResult::kDone, "text\n", 0},
      {"ends in a bare CR", "text\r", LogResult::kDone, "text\r\r\n", 1},
      {"two lines, the last open", "a\r\nb", LogResult::kDone, "a\r\nb\r\n", 2},
      {"nothing", "", LogResult::kBadArgument, "", 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path path = file("append" + std::to_string(n++) + ".txt");
    LogFile log(false);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    EXPECT_EQ(log.append(c.block), c.result);
    EXPECT_EQ(contents(path), c.file);
    EXPECT_EQ(log.line_count(), c.lines);
  }
  LogFile closed(false);
  EXPECT_EQ(closed.append("text"), LogResult::kNoFile);
}

TEST_F(LogFileTest, IndexCountsOnlyCrLfWhereverItFalls) {
  struct Case {
    std::string legend;
    std::string existing;
    std::vector<std::string> appends;
    std::vector<std::uint64_t> starts;
  };
  std::vector<Case> cases = {
      {"last line without CR LF", "a\r\nbc", {}, {0, 3}},
      {"bare CR and bare LF", "a\rb\nc\r\n", {}, {0, 7}},
      {"CR CR LF", "a\r\r\n", {}, {0, 4}},
      {"CR ending the file, LF starting the append", "x\r", {"\ny"}, {0, 3, 6}},
      {"open line finished by later appends", "ab", {"c\n", "\r\n"}, {0, 6}},
  };
  for (const std::size_t border : {512u, 4096u, 65536u})
    cases.push_back({"CR LF across byte " + std::to_string(border),
                     std::string(border - 1, 'a') + "\r\nb\r\n",
                     {},
                     {0, border + 1, border + 4}});
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path path = file("index" + std::to_string(n++) + ".txt");
    write_file(path, c.existing);
    LogFile log(false);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    for (const std::string& block : c.appends)
      ASSERT_EQ(log.append(block), LogResult::kDone);
    EXPECT_EQ(line_starts(log), c.starts);
    EXPECT_EQ(full_index(path), c.starts);
  }
}

// Appending indexes only what follows the last complete line; whatever the blocks, and
// whatever other writers add between them, that must equal indexing the whole file again.
TEST_F(LogFileTest, RandomAppendsIndexAsAFullIndexWould) {
  const std::uint32_t seed = 20260101;
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  const fs::path path = file("random.txt");
  LogFile log(false);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  std::uniform_int_distribution<int> percent(0, 99);
  const auto block = [&](std::size_t longest) {
    std::uniform_int_distribution<std::size_t> length(1, longest);
    std::string bytes(length(random), 'a');
    for (char& byte : bytes) {
      const int p = percent(random);
      byte = p < 15 ? '\r' : p < 30 ? '\n' : 'a';
    }
    return bytes;
  };
  for (int step = 0; step < 300; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    // Another writer's bytes, half of them ending in a bare CR, are seen at the log's next
    // append, whose block may begin with the LF.
    if (percent(random) < 20)
      write_file(path, block(4) + (percent(random) < 50 ? "\r" : ""), std::ios::app);
    ASSERT_EQ(log.append(block(percent(random) < 3 ? 70'000 : 80)), LogResult::kDone);
    ASSERT_EQ(line_starts(log), full_index(path));
  }
}

TEST_F(LogFileTest, AppendAfterAnotherWriterCutTheFileShortIndexesItAgain) {
  const fs::path path = file("shortened.txt");
  LogFile log(false);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  ASSERT_EQ(log.append("first line\r\nsecond line"), LogResult::kDone);
  fs::resize_file(path, 2);
  ASSERT_EQ(log.append("\r\nx"), LogResult::kDone);
  EXPECT_EQ(line_starts(log), full_index(path));
  EXPECT_EQ(log.line_count(), 2u);
}

TEST_F(LogFileTest, ReadLineGivesAtMostTheFirst256Bytes) {
  const std::string long_line = std::string(300, 'w') + "\r\n";
  const fs::path path = file("read.txt");
  write_file(path, "short\r\n" + long_line + "unfinished");
  LogFile log(true);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  EXPECT_EQ(line_text(log, 0), "short\r\n");
  EXPECT_EQ(line_text(log, 1), long_line.substr(0, 256));
  EXPECT_EQ(line_text(log, 2), "");
}

TEST_F(LogFileTest, ClearTruncatesAWritableFileOnly) {
  struct Case {
    const char* legend;
    bool read_only;
    bool open;
    LogResult result;
    std::string_view file_after;
    LineNumber lines_after;
  };
  const Case cases[] = {
      {"writable", false, true, LogResult::kDone, "", 0},
      {"read-only", true, true, LogResult::kReadOnly, "a\r\nb\r\n", 2},
      {"no file", false, false, LogResult::kNoFile, "a\r\nb\r\n", 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path path = file("clear" + std::to_string(n++) + ".txt");
    write_file(path, "a\r\nb\r\n");
    LogFile log(c.read_only);
    log.set_visible_rows(20);
    if (c.open) {
      ASSERT_EQ(log.open(path), LogResult::kDone);
    }
    EXPECT_EQ(log.clear(), c.result);
    EXPECT_EQ(contents(path), c.file_after);
    EXPECT_EQ(log.line_count(), c.lines_after);
    EXPECT_EQ(log.top_line(), 0u);
  }
}

TEST_F(LogFileTest, AppendAfterClearStartsTheFileAgain) {
  const fs::path path = file("cleared.txt");
  LogFile log(false);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  ASSERT_EQ(log.append("old line"), LogResult::kDone);
  ASSERT_EQ(log.clear(), LogResult::kDone);
  ASSERT_EQ(log.append("new line"), LogResult::kDone);
  EXPECT_EQ(contents(path), "new line\r\n");
  EXPECT_EQ(line_starts(log), (std::vector<std::uint64_t>{0, 10}));
}

TEST_F(LogFileTest, ReadOnlyLogNeverChangesItsFileAndShowsAllOfIt) {
  const fs::path folder = subfolder("read-only");
  const fs::path path = folder / "journal.txt";
  // More lines than a writable log keeps: that one would cut this file back on opening.
  const std::string lines = numbered_lines(1, 100'050);
  write_file(path, lines);
  LogFile log(true);
  log.set_visible_rows(20);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  EXPECT_EQ(log.line_count(), 100'050u);
  EXPECT_EQ(line_text(log, 0), "line 1\r\n");
  EXPECT_EQ(line_text(log, 100'049), "line 100050\r\n");
  EXPECT_EQ(log.top_line(), 100'030u);
  EXPECT_EQ(log.append("text"), LogResult::kReadOnly);
  EXPECT_EQ(log.clear(), LogResult::kReadOnly);
  EXPECT_EQ(contents(path), lines);
  EXPECT_EQ(names_in(folder), std::set<std::string>{"journal.txt"});
}

TEST_F(LogFileTest, HundredThousandthLineCutsTheFileBackToItsNewestLines) {
  struct Case {
    const char* legend;
    std::string existing;
    std::string appended;
    std::string kept;
  };
  // The 75,000th CR LF from the end closes line 25,001 of 100,000.
  const Case cases[] = {
      {"appending line 100,000", numbered_lines(1, 99'999), "line 100000",
       numbered_lines(25'002, 100'000)},
      {"opening a file of 100,000 lines and an unfinished one",
       numbered_lines(1, 100'000) + "unfinished", "",
       numbered_lines(25'002, 100'000) + "unfinished"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path folder = subfolder("cut" + std::to_string(n++));
    const fs::path path = folder / "journal.txt";
    write_file(path, c.existing);
    LogFile log(false);
    log.set_visible_rows(20);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    if (!c.appended.empty()) {
      ASSERT_EQ(log.append(c.appended), LogResult::kDone);
    }
    EXPECT_EQ(contents(path), c.kept);
    EXPECT_EQ(log.line_count(), LogFile::kCutBackCrLf - 1);
    EXPECT_EQ(line_text(log, 0), "line 25002\r\n");
    EXPECT_EQ(line_text(log, log.line_count() - 1), "line 100000\r\n");
    EXPECT_EQ(log.top_line(), log.line_count() - 20);
    EXPECT_EQ(names_in(folder), std::set<std::string>{"journal.txt"});
  }
}

TEST_F(LogFileTest, CutBackUsesTheFirstFreeTemporaryNameAndRemovesIt) {
  struct Case {
    const char* legend;
    std::vector<int> taken;
    LogResult result;
  };
  const Case cases[] = {
      {"none taken", {}, LogResult::kDone},
      {"jtmp0..3 taken", {0, 1, 2, 3}, LogResult::kDone},
      {"only jtmp4 free", {0, 1, 2, 3, 5, 6, 7, 8, 9}, LogResult::kDone},
      {"all taken", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, LogResult::kIoFailure},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path folder = subfolder("names" + std::to_string(n++));
    const fs::path path = folder / "journal.txt";
    std::set<std::string> names{"journal.txt"};
    for (const int i : c.taken) {
      const std::string name = "jtmp" + std::to_string(i) + ".txt";
      write_file(folder / name, "taken " + name);
      names.insert(name);
    }
    write_file(path, numbered_lines(1, 99'999));
    LogFile log(false);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    EXPECT_EQ(log.append("line 100000"), c.result);
    const bool cut = c.result == LogResult::kDone;
    EXPECT_EQ(contents(path), numbered_lines(cut ? 25'002 : 1, 100'000));
    // Without the cut-back the index keeps the newest lines, the one just appended included.
    EXPECT_EQ(log.line_count(), cut ? LogFile::kCutBackCrLf - 1 : LogFile::kCutBackCrLf);
    EXPECT_EQ(line_text(log, log.line_count() - 1), "line 100000\r\n");
    EXPECT_TRUE(log.is_open());
    EXPECT_EQ(names_in(folder), names);
    for (const int i : c.taken) {
      const std::string name = "jtmp" + std::to_string(i) + ".txt";
      EXPECT_EQ(contents(folder / name), "taken " + name);
    }
  }
}

// The log is opened by a relative name and the current folder changes afterwards: the
// temporary file still goes beside the log, where the current folder's names are all taken.
TEST_F(LogFileTest, CutBackPutsItsTemporaryFileBesideTheLog) {
  const fs::path elsewhere = subfolder("elsewhere");
  for (int i = 0; i < 10; ++i)
    write_file(elsewhere / ("jtmp" + std::to_string(i) + ".txt"), "taken");
  const fs::path folder = subfolder("logs");
  const fs::path path = folder / "journal.txt";
  write_file(path, numbered_lines(1, 99'999));
  LogFile log(false);
  {
    const CurrentFolder in_logs(folder);
    ASSERT_EQ(log.open("journal.txt"), LogResult::kDone);
  }
  const CurrentFolder current(elsewhere);
  EXPECT_EQ(log.append("line 100000"), LogResult::kDone);
  EXPECT_EQ(contents(path), numbered_lines(25'002, 100'000));
  EXPECT_EQ(names_in(folder), std::set<std::string>{"journal.txt"});
  EXPECT_EQ(names_in(elsewhere).size(), 10u);
}

// A file too long to cut back keeps everything; its size is made with a hole, not written.
TEST_F(LogFileTest, CutBackRefusesAFileOver134217727Bytes) {
  struct Case {
    const char* legend;
    std::uint64_t size;
    LogResult result;
  };
  const Case cases[] = {
      {"largest allowed", LogFile::kMaxCutBackSize, LogResult::kDone},
      {"one byte more", LogFile::kMaxCutBackSize + 1, LogResult::kTooLarge},
  };
  const std::string lines = numbered_lines(2, 99'999);
  const std::string last = "line 100000\r\n";
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path folder = subfolder("large" + std::to_string(n++));
    const fs::path path = folder / "journal.txt";
    // Line 1 is "x", zero bytes up to the size wanted, and its CR LF.
    write_file(path, "x");
    fs::resize_file(path, c.size - lines.size() - last.size() - 2);
    write_file(path, "\r\n" + lines, std::ios::app);
    LogFile log(false);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    ASSERT_EQ(log.line_count(), LogFile::kMaxLines);
    EXPECT_EQ(log.append(last), c.result);
    EXPECT_TRUE(log.is_open());
    if (c.result == LogResult::kDone) {
      EXPECT_EQ(contents(path), numbered_lines(25'002, 100'000));
    } else {
      EXPECT_EQ(fs::file_size(path), c.size);
      EXPECT_EQ(log.line_count(), LogFile::kCutBackCrLf);
    }
    EXPECT_EQ(names_in(folder), std::set<std::string>{"journal.txt"});
  }
}

TEST_F(LogFileTest, ScrollScaleAndMaximumFollowTheLineCount) {
  struct Case {
    LineNumber lines;
    int scale;
    int maximum;
    int thumb;
    LineNumber top_after_thumb;
  };
  constexpr LineNumber kRows = 20;
  const Case cases[] = {
      {0, 1, 0, 5, 0},
      {1, 1, 0, 5, 0},
      {49'999, 1, 49'998, 100, 100},
      {50'000, 2, 25'000 + kRows - 1, 100, 200},
      {99'999, 2, 49'999 + kRows - 1, 49'999, 99'999 - kRows},
      // A log viewer's file: the thumb at its end shows the last page.
      {3'000'000, 61, 49'180 + 60 * kRows - 1, 49'180 + 60 * kRows - 1, 3'000'000 - kRows},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lines) + " lines");
    const fs::path path = file("scroll" + std::to_string(c.lines) + ".txt");
    std::string empty_lines;
    for (LineNumber i = 0; i < c.lines; ++i)
      empty_lines += "\r\n";
    write_file(path, empty_lines);
    LogFile log(true);
    log.set_visible_rows(kRows);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    EXPECT_EQ(log.scroll_scale(), c.scale);
    EXPECT_EQ(log.scroll_maximum(), c.maximum);
    log.set_follow(false);
    log.scroll_to_thumb(c.thumb);
    EXPECT_EQ(log.top_line(), c.top_after_thumb);
    EXPECT_EQ(log.scroll_position(), static_cast<int>(c.top_after_thumb) / c.scale);
  }
}

// A viewer's index of three million lines takes less than the 8 bytes a line that whole
// offsets would, the vector's spare room included.
TEST_F(LogFileTest, AReadOnlyIndexTakesUnderEightBytesALine) {
  constexpr LineNumber kLines = 3'000'000;
  const fs::path path = file("big.txt");
  std::string lines;
  lines.reserve(kLines * 4);
  for (LineNumber i = 0; i < kLines; ++i)
    lines += i + 1 == kLines ? "e\r\n" : "d\r\n";
  write_file(path, lines);
  LogFile log(true);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  ASSERT_EQ(log.line_count(), kLines);
  EXPECT_EQ(line_text(log, kLines - 1), "e\r\n");
  EXPECT_EQ(log.line_start(kLines).value, kLines * 3);
  EXPECT_LT(log.index_memory(), kLines * 8);
  ASSERT_EQ(log.close(), LogResult::kDone);
  EXPECT_LT(log.index_memory(), 64u) << "a closed log keeps its index's memory";
}

// Offsets past 4 GiB, without a file of that size: every boundary crossed, one line longer
// than 4 GiB, and the cuts the log makes (back to a line, the oldest lines forgotten).
TEST(LineStarts, KeepsOffsetsPastEach4GiBBoundary) {
  constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
  const std::vector<std::uint64_t> offsets = {0,         100,           k4GiB - 2,    k4GiB + 5,
                                              k4GiB + 9, 3 * k4GiB + 1, 3 * k4GiB + 7};
  LineStarts starts;
  for (std::size_t i = 1; i < offsets.size(); ++i)
    starts.push_back(FileOffset{offsets[i]});
  const auto all = [&starts] {
    std::vector<std::uint64_t> values;
    for (std::size_t i = 0; i < starts.size(); ++i)
      values.push_back(starts[i].value);
    return values;
  };
  EXPECT_EQ(all(), offsets);
  EXPECT_EQ(starts.back().value, 3 * k4GiB + 7);

  starts.truncate(4);
  EXPECT_EQ(all(), (std::vector<std::uint64_t>{0, 100, k4GiB - 2, k4GiB + 5}));
  starts.push_back(FileOffset{2 * k4GiB});
  EXPECT_EQ(starts.back().value, 2 * k4GiB);

  starts.erase_front(3);
  EXPECT_EQ(all(), (std::vector<std::uint64_t>{k4GiB + 5, 2 * k4GiB}));
  starts.push_back(FileOffset{2 * k4GiB + 1});
  starts.erase_front(2);
  EXPECT_EQ(all(), (std::vector<std::uint64_t>{2 * k4GiB + 1}));

  starts.reset();
  EXPECT_EQ(all(), (std::vector<std::uint64_t>{0}));
}

TEST_F(LogFileTest, TopLineFollowsTheNewestLinesOrStaysWhereTheUserPutIt) {
  const fs::path path = file("top.txt");
  write_file(path, numbered_lines(1, 100));
  LogFile log(false);
  log.set_visible_rows(20);
  ASSERT_EQ(log.open(path), LogResult::kDone);
  EXPECT_EQ(log.top_line(), 80u);
  log.scroll_by(-5);  // the user cannot scroll a following log
  EXPECT_EQ(log.top_line(), 80u);
  ASSERT_EQ(log.append("line 101"), LogResult::kDone);
  EXPECT_EQ(log.top_line(), 81u);

  log.set_follow(false);
  struct Step {
    std::int64_t lines;
    LineNumber top;
  };
  for (const Step step : {Step{-5, 76}, Step{-1000, 0}, Step{1000, 81}, Step{-71, 10}}) {
    log.scroll_by(step.lines);
    EXPECT_EQ(log.top_line(), step.top) << "after scrolling by " << step.lines;
  }
  ASSERT_EQ(log.append("line 102"), LogResult::kDone);
  EXPECT_EQ(log.top_line(), 10u);
  log.set_follow(true);
  EXPECT_EQ(log.top_line(), 82u);
  log.set_visible_rows(200);
  EXPECT_EQ(log.top_line(), 0u);
}

TEST_F(LogFileTest, HooksRunRightAfterOpeningAndRightBeforeClosing) {
  const fs::path path = file("hooks.txt");
  std::vector<std::string> calls;
  const auto hook = [&calls](const char* name) {
    return [&calls, name](LogFile& log) {
      calls.push_back(std::string(name) + (log.is_open() ? " with the file open" : ""));
      log.append(name);
    };
  };
  {
    LogFile log(false, hook("start"), hook("end"));
    EXPECT_EQ(log.open(file("no such folder") / "log.txt"), LogResult::kCannotOpen);
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(log.open(path), LogResult::kDone);
    EXPECT_EQ(log.line_count(), 1u);
    ASSERT_EQ(log.close(), LogResult::kDone);
    ASSERT_EQ(log.open(path), LogResult::kDone);
  }
  EXPECT_EQ(calls,
            (std::vector<std::string>{"start with the file open", "end with the file open",
                                      "start with the file open", "end with the file open"}));
  EXPECT_EQ(contents(path), "start\r\nend\r\nstart\r\nend\r\n");
}

}  // namespace
}  // namespace tk52

namespace tk52 {
namespace {

// The cut-back cannot make its temporary file (every name taken, as in a folder without room
// or rights): the first append that fills the index says so once, the log goes on with the
// newest lines in view, each further append reads only its own bytes, and the cut-back is
// tried again each time the index fills anew, so that it runs once it can.
TEST_F(LogFileTest, AFailingCutBackIsSaidOnceAndTheNewestLinesStayInView) {
  const fs::path folder = subfolder("blocked");
  const fs::path path = folder / "journal.txt";
  for (int i = 0; i < 10; ++i)
    write_file(folder / ("jtmp" + std::to_string(i) + ".txt"), "taken");
  write_file(path, numbered_lines(1, 99'999));
  int said = 0;
  LogFile log(false);
  log.set_cut_back_failure_hook([&said](LogFile& self) {
    ++said;
    EXPECT_EQ(self.append("cut-back failed"), LogResult::kDone);
  });
  ASSERT_EQ(log.open(path), LogResult::kDone);
  EXPECT_EQ(log.append("line 100000"), LogResult::kIoFailure);
  EXPECT_EQ(said, 1);
  EXPECT_TRUE(log.cut_back_failing());
  EXPECT_EQ(line_text(log, log.line_count() - 2), "line 100000\r\n");
  EXPECT_EQ(line_text(log, log.line_count() - 1), "cut-back failed\r\n");
  EXPECT_EQ(log.top_line() + log.visible_rows(), log.line_count());

  // Another 30,000 lines fill the index again: still no room, and nothing more is said.
  write_file(path, numbered_lines(100'001, 130'000), std::ios::app);
  EXPECT_EQ(log.append("line 130001"), LogResult::kDone);
  EXPECT_EQ(said, 1);
  EXPECT_EQ(line_text(log, log.line_count() - 1), "line 130001\r\n");
  EXPECT_LE(log.line_count(), LogFile::kMaxLines);
  EXPECT_GE(log.line_count(), LogFile::kCutBackCrLf);
  // The kept index is the tail of what a full index of the file would be.
  const std::string file_bytes = contents(path);
  EXPECT_EQ(log.line_start(log.line_count()).value, file_bytes.size());
  const std::uint64_t first = log.line_start(0).value;
  ASSERT_GT(first, 0u);
  EXPECT_EQ(file_bytes.substr(static_cast<std::size_t>(first) - 2, 2), "\r\n");
  EXPECT_EQ(line_text(log, 0), file_bytes.substr(static_cast<std::size_t>(first), 12));

  // Room again: the next time the index fills, the cut-back runs.
  for (int i = 0; i < 10; ++i)
    fs::remove(folder / ("jtmp" + std::to_string(i) + ".txt"));
  write_file(path, numbered_lines(130'002, 160'000), std::ios::app);
  EXPECT_EQ(log.append("line 160001"), LogResult::kDone);
  EXPECT_FALSE(log.cut_back_failing());
  EXPECT_EQ(log.line_count(), line_starts(log).size() - 1);
  EXPECT_EQ(log.line_start(0).value, 0u);
  EXPECT_EQ(line_text(log, log.line_count() - 1), "line 160001\r\n");
  EXPECT_EQ(full_index(path).size(), LogFile::kCutBackCrLf);
  EXPECT_EQ(names_in(folder), std::set<std::string>{"journal.txt"});
}

// A log opened at the cap while the cut-back cannot run opens all the same and says so.
TEST_F(LogFileTest, AFullLogOpensWhenItsCutBackCannotRun) {
  const fs::path folder = subfolder("blocked_open");
  const fs::path path = folder / "journal.txt";
  for (int i = 0; i < 10; ++i)
    write_file(folder / ("jtmp" + std::to_string(i) + ".txt"), "taken");
  write_file(path, numbered_lines(1, 120'000));
  int said = 0;
  LogFile log(false);
  log.set_cut_back_failure_hook([&said](LogFile&) { ++said; });
  ASSERT_EQ(log.open(path), LogResult::kDone);
  EXPECT_EQ(said, 1);
  EXPECT_EQ(line_text(log, log.line_count() - 1), "line 120000\r\n");
  EXPECT_EQ(fs::file_size(path), numbered_lines(1, 120'000).size());
}

#ifndef _WIN32
// The file size limit makes writes beyond it fail as a full disk does, on a real file.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previous_signal_)(int) = SIG_DFL;
};

TEST_F(LogFileTest, AFailedAppendLeavesTheFileEndingWhereTheLastGoodLineEnded) {
  struct Case {
    const char* legend;
    std::string line;
    std::size_t room;  // bytes the disk still takes
  };
  const Case cases[] = {
      {"the line itself cut", "a line too long for the room left", 10},
      {"the CR LF added cut", "line 2", 7},
      {"no room at all", "line 2", 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    const fs::path path = file("full" + std::to_string(n++) + ".txt");
    write_file(path, "line 1\r\n");
    LogFile log(false);
    ASSERT_EQ(log.open(path), LogResult::kDone);
    {
      const FileSizeLimit full(8 + c.room);
      EXPECT_EQ(log.append(c.line), LogResult::kIoFailure);
    }
    EXPECT_EQ(contents(path), "line 1\r\n");
    EXPECT_EQ(log.line_count(), 1u);
    EXPECT_EQ(log.append("line 3"), LogResult::kDone);
    EXPECT_EQ(contents(path), "line 1\r\nline 3\r\n");
    EXPECT_EQ(log.line_count(), 2u);
  }
}
#endif

}  // namespace
}  // namespace tk52
