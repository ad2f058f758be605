#include "log/log_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace tk52 {
namespace {

// Reads and copies go through one buffer of this size: large enough that indexing runs at the
// speed of the page cache, small enough that memory does not grow with the file.
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::string_view kCrLf = "\r\n";
constexpr int kTemporaryNames = 10;

bool read_exact(const LogFileHandle& file, std::uint64_t offset, std::span<char> buffer) {
  while (!buffer.empty()) {
    const std::optional<std::size_t> got = file.read_at(offset, buffer);
    if (!got || *got == 0)
      return false;
    offset += *got;
    buffer = buffer.subspan(*got);
  }
  return true;
}

bool copy_bytes(const LogFileHandle& from, std::uint64_t from_offset, std::uint64_t size,
                LogFileHandle& to, std::uint64_t to_offset, std::span<char> block) {
  for (std::uint64_t done = 0; done < size;) {
    const std::span<char> chunk =
        block.first(static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done)));
    if (!read_exact(from, from_offset + done, chunk) || !to.write_at(to_offset + done, chunk))
      return false;
    done += chunk.size();
  }
  return true;
}

// The offset just after the `count`-th CR LF counted back from the end of the first `size`
// bytes, or 0 when there are fewer.
std::optional<std::uint64_t> offset_after_crlf_from_end(const LogFileHandle& file,
                                                        std::uint64_t size, LineNumber count,
                                                        std::span<char> block) {
  LineNumber found = 0;
  bool lf_follows = false;  // the byte after the current block is an LF
  for (std::uint64_t end = size; end > 0;) {
    const std::uint64_t begin = end > block.size() ? end - block.size() : 0;
    const std::span<char> bytes = block.first(static_cast<std::size_t>(end - begin));
    if (!read_exact(file, begin, bytes))
      return std::nullopt;
    for (std::size_t i = bytes.size(); i-- > 0;) {
      const bool lf_next = i + 1 < bytes.size() ? bytes[i + 1] == '\n' : lf_follows;
      if (bytes[i] == '\r' && lf_next && ++found == count)
        return begin + i + kCrLf.size();
    }
    lf_follows = bytes.front() == '\n';
    end = begin;
  }
  return 0;
}

// A temporary file named "jtmp<i>.txt" with the first free i from 0 to 9, beside the log: a
// writable log's folder is writable, the current folder need not be. Removed when this goes
// out of scope, whichever way the cut-back ends.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    handle_.close();
    if (!path_.empty()) {
      std::error_code ignored;
      std::filesystem::remove(path_, ignored);
    }
  }

  bool create_in(const std::filesystem::path& folder) {
    for (int i = 0; i < kTemporaryNames; ++i) {
      const std::filesystem::path name = folder / ("jtmp" + std::to_string(i) + ".txt");
      switch (handle_.create_new(name)) {
        case LogFileHandle::CreateResult::kCreated:
          path_ = name;
          return true;
        case LogFileHandle::CreateResult::kExists:
          break;
        case LogFileHandle::CreateResult::kFailed:
          return false;
      }
    }
    return false;
  }

  LogFileHandle& handle() { return handle_; }

 private:
  LogFileHandle handle_;
  std::filesystem::path path_;
};

}  // namespace

LogFile::LogFile(bool read_only, Hook open_hook, Hook close_hook)
    : read_only_(read_only),
      open_hook_(std::move(open_hook)),
      close_hook_(std::move(close_hook)),
      block_(kBlockSize) {}

LogFile::~LogFile() {
  if (is_open())
    close();
}

LogResult LogFile::open(const std::filesystem::path& path) {
  if (is_open())
    return LogResult::kAlreadyOpen;
  // The cut-back puts its temporary file beside the log; the current folder may change.
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error)
    absolute = path;
  if (!file_.open_shared(absolute, read_only_ ? LogFileHandle::Access::kReadOnly
                                              : LogFileHandle::Access::kReadWrite))
    return LogResult::kCannotOpen;
  path_ = std::move(absolute);
  LogResult result = index_from(0);
  if (result == LogResult::kIndexFull)
    result = make_room();
  const bool usable = result == LogResult::kDone ||
                      (cut_back_failing_ && is_open() &&
                       (result == LogResult::kIoFailure || result == LogResult::kTooLarge));
  if (!usable) {
    close_file();
    return result;
  }
  show_last_page();
  if (open_hook_)
    open_hook_(*this);
  if (cut_back_failing_ && cut_back_failure_hook_)
    cut_back_failure_hook_(*this);
  return LogResult::kDone;
}

LogResult LogFile::close() {
  if (!is_open())
    return LogResult::kNoFile;
  if (close_hook_)
    close_hook_(*this);
  if (unflushed_)
    file_.flush();
  close_file();
  return LogResult::kDone;
}

LogResult LogFile::append(std::string_view bytes) {
  if (read_only_)
    return LogResult::kReadOnly;
  if (!is_open())
    return LogResult::kNoFile;
  if (bytes.empty())
    return LogResult::kBadArgument;
  const std::optional<std::uint64_t> end = file_.size();
  if (!end)
    return LogResult::kIoFailure;
  const bool written = file_.write_at(*end, bytes) &&
                       (bytes.back() == '\n' || file_.write_at(*end + bytes.size(), kCrLf));
  if (!written) {
    // A disk that filled up mid-line keeps part of it; the next line must not join that part.
    file_.truncate(*end);
    return LogResult::kIoFailure;
  }
  // The log is what is left to read after a crash or a power cut, so its lines go to the disk;
  // at 3.5 ms a flush, one per line would cost more than the line, so at most one per 100 ms.
  flush_when_due();
  // Everything before the end of the last complete line is indexed already, so only the bytes
  // after it are read, the unfinished line included: a CR LF may be split across appends.
  // Someone else may have cut the file short meanwhile; then nothing indexed can be trusted.
  const bool cut_short = *end < starts_.back().value;
  if (cut_short)
    starts_.reset();
  const bool was_failing = cut_back_failing_;
  LogResult result = index_from(cut_short ? 0 : line_count());
  if (result == LogResult::kIndexFull) {
    result = make_room();
  } else if (result != LogResult::kDone) {
    close_file();
    return result;
  }
  if (follow_)
    show_last_page();
  if (cut_back_failing_ && !was_failing && cut_back_failure_hook_)
    cut_back_failure_hook_(*this);
  return result;
}

void LogFile::flush_when_due() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_flush_ < kFlushInterval) {
    unflushed_ = true;
    return;
  }
  file_.flush();
  last_flush_ = now;
  unflushed_ = false;
}

LogResult LogFile::make_room() {
  LogResult result = cut_back();
  if (result != LogResult::kIoFailure && result != LogResult::kTooLarge) {
    cut_back_failing_ = false;
    return result;
  }
  // The file is open and untouched: keep logging without the cut-back. Only the first failure
  // is reported; the next attempt waits until the index has filled again.
  const bool first = !cut_back_failing_;
  cut_back_failing_ = true;
  const LogResult indexed = index_keeping_newest(line_count());
  if (indexed != LogResult::kDone) {
    close_file();
    return indexed;
  }
  return first ? result : LogResult::kDone;
}

void LogFile::forget_oldest_lines() {
  // What a cut-back would keep stays in the index: the newest lines.
  const LineNumber forget = kMaxLines + 1 - kCutBackCrLf;
  starts_.erase_front(forget);
  top_line_ = top_line_ > forget ? top_line_ - forget : 0;
}

LogResult LogFile::index_keeping_newest(LineNumber first) {
  LogResult result = index_from(first);
  while (result == LogResult::kIndexFull) {
    forget_oldest_lines();
    result = index_from(line_count());
  }
  return result;
}

LogResult LogFile::clear() {
  if (read_only_)
    return LogResult::kReadOnly;
  if (!is_open())
    return LogResult::kNoFile;
  if (!file_.truncate(0))
    return LogResult::kIoFailure;
  starts_.reset();
  top_line_ = 0;
  cut_back_failing_ = false;
  return LogResult::kDone;
}

std::size_t LogFile::read_line(LineNumber line, std::span<char, kPaintedBytes> buffer) const {
  if (line >= line_count())
    return 0;
  const std::uint64_t length = starts_[line + 1].value - starts_[line].value;
  const std::span<char> wanted = std::span<char>(buffer).first(
      static_cast<std::size_t>(std::min<std::uint64_t>(length, kPaintedBytes)));
  return file_.read_at(starts_[line].value, wanted).value_or(0);
}

void LogFile::set_follow(bool follow) {
  follow_ = follow;
  if (follow_)
    show_last_page();
}

void LogFile::set_visible_rows(LineNumber rows) {
  visible_rows_ = rows;
  if (follow_)
    show_last_page();
}

void LogFile::scroll_by(std::int64_t lines) {
  if (!follow_)
    move_top_line(static_cast<std::int64_t>(top_line_) + lines);
}

void LogFile::scroll_to_thumb(int position) {
  if (!follow_)
    move_top_line(std::int64_t{position} * scroll_scale());
}

int LogFile::scroll_scale() const {
  return static_cast<int>(line_count() / kLinesPerScaleStep + 1);
}

int LogFile::scroll_maximum() const {
  const LineNumber n = line_count();
  if (n == 0)
    return 0;
  const LineNumber scale = n / kLinesPerScaleStep + 1;
  return static_cast<int>(n / scale + (n / kLinesPerScaleStep) * visible_rows_ - 1);
}

int LogFile::scroll_position() const {
  return static_cast<int>(top_line_) / scroll_scale();
}

LogResult LogFile::index_from(LineNumber first) {
  starts_.truncate(first + 1);
  std::uint64_t offset = starts_.back().value;
  // Line starts follow an LF, so a CR LF cannot straddle `offset` itself.
  bool after_cr = false;
  for (;;) {
    const std::optional<std::size_t> got = file_.read_at(offset, block_);
    if (!got)
      return LogResult::kIoFailure;
    if (*got == 0)
      return LogResult::kDone;
    const char* const bytes = block_.data();
    const char* const stop = bytes + *got;
    const char* lf = bytes;
    while ((lf = static_cast<const char*>(
                std::memchr(lf, '\n', static_cast<std::size_t>(stop - lf)))) != nullptr) {
      const bool line_end = lf == bytes ? after_cr : lf[-1] == '\r';
      ++lf;
      if (!line_end)
        continue;
      if (!read_only_ && line_count() == kMaxLines)
        return LogResult::kIndexFull;
      starts_.push_back(FileOffset{offset + static_cast<std::uint64_t>(lf - bytes)});
    }
    after_cr = stop[-1] == '\r';
    offset += *got;
  }
}

LogResult LogFile::cut_back() {
  const std::optional<std::uint64_t> size = file_.size();
  if (!size)
    return LogResult::kIoFailure;
  if (*size > kMaxCutBackSize)
    return LogResult::kTooLarge;
  const std::optional<std::uint64_t> cut =
      offset_after_crlf_from_end(file_, *size, kCutBackCrLf, block_);
  if (!cut)
    return LogResult::kIoFailure;
  const std::uint64_t kept = *size - *cut;
  TemporaryFile temporary;
  if (!temporary.create_in(path_.parent_path()) ||
      !copy_bytes(file_, *cut, kept, temporary.handle(), 0, block_))
    return LogResult::kIoFailure;
  // The kept lines go back through the open handle rather than by replacing the file: on
  // Windows a reader holding the log open (a viewer window) would make a replace fail, and the
  // log is never closed, so there is no reopening to fail either. Once this has begun the old
  // contents are gone, so a failure here leaves no file open.
  if (!copy_bytes(temporary.handle(), 0, kept, file_, 0, block_) || !file_.truncate(kept)) {
    close_file();
    return LogResult::kCannotOpen;
  }
  starts_.reset();
  const LogResult result = index_from(0);
  if (result != LogResult::kDone) {
    close_file();
    return result;
  }
  show_last_page();
  return LogResult::kDone;
}

void LogFile::close_file() {
  file_.close();
  path_.clear();
  starts_.reset();
  top_line_ = 0;
  cut_back_failing_ = false;
}

void LogFile::move_top_line(std::int64_t line) {
  const std::int64_t last =
      static_cast<std::int64_t>(line_count()) - static_cast<std::int64_t>(visible_rows_);
  top_line_ = static_cast<LineNumber>(std::max<std::int64_t>(0, std::min(line, last)));
}

void LogFile::show_last_page() {
  top_line_ = line_count() > visible_rows_ ? line_count() - visible_rows_ : 0;
}

}  // namespace tk52
