// The few file operations the log file needs that standard streams cannot express: opening
// for reading and writing a file that may be missing without truncating it, with the sharing
// other programs need to read and write it meanwhile; truncating an open file; creating a file
// only when its name is free; and reads and writes at explicit offsets, so that appends and
// painting reads never disturb one another. log_file_io_posix.cpp and log_file_io_win32.cpp
// implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace tk52 {

class LogFileHandle {
 public:
  enum class Access { kReadWrite, kReadOnly };
  enum class CreateResult { kCreated, kExists, kFailed };

  LogFileHandle() = default;
  ~LogFileHandle() { close(); }
  LogFileHandle(const LogFileHandle&) = delete;
  LogFileHandle& operator=(const LogFileHandle&) = delete;

  // Opens `path`, creating it when missing and never truncating it, so that other programs may
  // read and write it meanwhile. False when it cannot be opened.
  bool open_shared(const std::filesystem::path& path, Access access);
  // Creates `path` for reading and writing only when no file of that name exists.
  CreateResult create_new(const std::filesystem::path& path);
  void close();
  bool is_open() const { return native_ != kInvalid; }

  std::optional<std::uint64_t> size() const;
  // The number of bytes read, 0 at the end of the file; nothing when the read failed.
  std::optional<std::size_t> read_at(std::uint64_t offset, std::span<char> buffer) const;
  // True when every byte was written.
  bool write_at(std::uint64_t offset, std::span<const char> bytes);
  bool truncate(std::uint64_t size);
  // Forces the written bytes to the disk (fdatasync, FlushFileBuffers).
  bool flush();

 private:
  // A file descriptor on POSIX, a HANDLE on Windows; -1 is invalid for both.
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t native_ = kInvalid;
};

}  // namespace tk52
