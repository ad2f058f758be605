// The data side of the log view: a text file of CR LF terminated 8-bit lines, kept open, and
// the offsets at which its lines start. The text itself is never held in memory: the painter
// reads only the visible lines, at most 256 bytes each. A writable log also appends, clears,
// and cuts itself back to its newest lines when it reaches 100,000 lines; a read-only one only
// shows, and indexes every line of its file, in 4 bytes a line. The window that paints and scrolls
// it lives apart, owns one LogFile and uses it on its own thread only; other threads hand their
// lines to that thread.
//
// A line is the bytes up to and including a CR directly followed by LF. A bare CR or LF ends
// nothing, and a last line without CR LF is neither indexed nor shown.
//
// Error contract: every operation returns a LogResult (see there); none throws for file
// trouble. A failed cut-back either leaves the file open and untouched with the temporary file
// removed (10, 11), or leaves no file open (2); the temporary file never outlives it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "log/line_starts.h"
#include "log/log_file_io.h"

namespace tk52 {

// A line's place in the index, 0 for the file's first line; also a count of lines.
using LineNumber = std::size_t;

enum class LogResult {
  kDone = 0,
  kNoState = 1,  // reported by the window when it has no log state; never by LogFile
  kCannotOpen = 2,
  kNoFile = 3,
  kAlreadyOpen = 4,
  kReadOnly = 7,
  kBadArgument = 8,
  kIoFailure = 10,  // the temporary file could not be made, or a read or write failed
  kTooLarge = 11,   // the file is too long to be cut back
  kIndexFull = 12,  // what starts a cut-back; never returned by a public operation
};

class LogFile {
 public:
  // Called with the log right after its file opened and right before it closes; a writable
  // log's hooks may append (the traffic log's start and end lines).
  using Hook = std::function<void(LogFile&)>;

  // A writable log's index takes this many lines; the next CR LF found makes it full. A
  // read-only log's index takes every line.
  static constexpr LineNumber kMaxLines = 99'999;
  // A full log keeps what follows this CR LF counted from its end: the newest 74,999 lines.
  static constexpr LineNumber kCutBackCrLf = 75'000;
  static constexpr std::uint64_t kMaxCutBackSize = 134'217'727;
  static constexpr std::size_t kPaintedBytes = 256;
  static constexpr std::chrono::milliseconds kFlushInterval{100};
  // Scroll bar positions are 16-bit: above this many lines they count pairs of lines.
  static constexpr LineNumber kLinesPerScaleStep = 50'000;

  explicit LogFile(bool read_only, Hook open_hook = {}, Hook close_hook = {});
  // Closes an open file as close() does, close hook included.
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens `path` for reading and writing (for reading only when read-only), shared with other
  // readers and writers, created when missing and never truncated; indexes it, cuts a full
  // writable file back, shows the last page and calls the open hook. 4 when a file is open, 2
  // when it cannot be opened; a failure to index or cut back closes it again and returns that
  // code. A read-only file is never rewritten, however long: all its lines are shown.
  LogResult open(const std::filesystem::path& path);
  // Calls the close hook, closes the file and empties the index. 3 when no file is open.
  LogResult close();
  // Appends `bytes` at the end of the file, with CR LF after them unless they end in LF, and
  // flushes the file to the disk, at most once per kFlushInterval (a flush costs milliseconds):
  // lines appended sooner go with the next append's flush, or at close; indexes what was added;
  // cuts the file back when the index fills. A following log then shows its last page. 7 when
  // read-only, 3 without a file, 8 for no bytes, 10 when the bytes could not be written: the file
  // then ends where it ended before, so a torn line never glues itself to the next.
  //
  // When the cut-back cannot run (no room or no name for its temporary file, a file too large)
  // the log goes on without it: the index forgets its oldest lines instead, so appends stay
  // cheap and the newest lines stay in view, and the cut-back is tried again only each time
  // the index fills anew. The first such failure returns its code and calls the cut-back
  // failure hook, once until a cut-back succeeds again.
  LogResult append(std::string_view bytes);
  // Called once when the cut-back starts failing (see append); it may append.
  void set_cut_back_failure_hook(Hook hook) { cut_back_failure_hook_ = std::move(hook); }
  bool cut_back_failing() const { return cut_back_failing_; }
  // Truncates the file to nothing and empties the index. 7 when read-only, 3 without a file.
  LogResult clear();

  bool is_open() const { return file_.is_open(); }
  bool read_only() const { return read_only_; }
  // The open file's absolute path; empty when no file is open.
  const std::filesystem::path& path() const { return path_; }

  LineNumber line_count() const { return starts_.size() - 1; }
  // The bytes the index takes: the only memory that grows with the file.
  std::size_t index_memory() const { return starts_.memory(); }
  // Where `line` (0..line_count()) begins; line_start(line_count()) is the end of the last
  // complete line. Line 0 begins at 0 unless a failing cut-back made the index forget lines.
  FileOffset line_start(LineNumber line) const { return starts_[line]; }
  // Reads the first bytes of an indexed line, up to kPaintedBytes, CR LF included when the line
  // is that short. The number of bytes read; 0 for a line not indexed or a failed read.
  std::size_t read_line(LineNumber line, std::span<char, kPaintedBytes> buffer) const;

  // Following keeps the newest lines in view and turns the user's vertical scrolling off;
  // turning it on moves to the last page.
  bool follow() const { return follow_; }
  void set_follow(bool follow);
  LineNumber top_line() const { return top_line_; }
  LineNumber visible_rows() const { return visible_rows_; }
  // A following log moves to its last page; otherwise the top line stays.
  void set_visible_rows(LineNumber rows);

  // The user's vertical scrolling, ignored while following. The top line is clamped to
  // 0..line count - visible rows.
  void scroll_by(std::int64_t lines);
  void scroll_to_thumb(int position);

  // Scroll bar arithmetic: positions are top line / scale, with scale = N / 50,000 + 1 for N
  // lines, and the range 0..N / scale + (N / 50,000) * visible rows - 1 (0 for no lines). For
  // millions of lines the range stays near 50,000 plus the page term; the view reads the
  // thumb's position in 32 bits.
  int scroll_scale() const;
  int scroll_maximum() const;
  int scroll_position() const;

 private:
  LogResult index_from(LineNumber first);
  // index_from, then, while the cut-back fails, forgetting the oldest lines when it fills.
  LogResult index_keeping_newest(LineNumber first);
  LogResult cut_back();
  // After a full index: the cut-back, or when it cannot run, forgetting the oldest lines.
  LogResult make_room();
  void forget_oldest_lines();
  void flush_when_due();
  void close_file();
  void move_top_line(std::int64_t line);
  void show_last_page();

  const bool read_only_;
  const Hook open_hook_;
  const Hook close_hook_;
  Hook cut_back_failure_hook_;
  bool cut_back_failing_ = false;
  std::chrono::steady_clock::time_point last_flush_{};
  bool unflushed_ = false;
  LogFileHandle file_;
  std::filesystem::path path_;
  LineStarts starts_;
  std::vector<char> block_;
  bool follow_ = true;
  LineNumber top_line_ = 0;
  LineNumber visible_rows_ = 0;
};

}  // namespace tk52
