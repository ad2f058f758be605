// POSIX files carry no sharing modes: any number of descriptors may read and write at once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "log/log_file_io.h"

namespace tk52 {
namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as for any editor's file

int descriptor(std::intptr_t native) {
  return static_cast<int>(native);
}

}  // namespace

bool LogFileHandle::open_shared(const std::filesystem::path& path, Access access) {
  close();
  const int flags = (access == Access::kReadWrite ? O_RDWR : O_RDONLY) | O_CREAT | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags, kNewFileMode);
  if (fd < 0)
    return false;
  native_ = fd;
  return true;
}

LogFileHandle::CreateResult LogFileHandle::create_new(const std::filesystem::path& path) {
  close();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  if (fd < 0)
    return errno == EEXIST ? CreateResult::kExists : CreateResult::kFailed;
  native_ = fd;
  return CreateResult::kCreated;
}

void LogFileHandle::close() {
  if (native_ == kInvalid)
    return;
  ::close(descriptor(native_));
  native_ = kInvalid;
}

std::optional<std::uint64_t> LogFileHandle::size() const {
  struct stat status {};
  if (::fstat(descriptor(native_), &status) != 0)
    return std::nullopt;
  return static_cast<std::uint64_t>(status.st_size);
}

std::optional<std::size_t> LogFileHandle::read_at(std::uint64_t offset,
                                                  std::span<char> buffer) const {
  for (;;) {
    const ssize_t got =
        ::pread(descriptor(native_), buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (got >= 0)
      return static_cast<std::size_t>(got);
    if (errno != EINTR)
      return std::nullopt;
  }
}

bool LogFileHandle::write_at(std::uint64_t offset, std::span<const char> bytes) {
  while (!bytes.empty()) {
    const ssize_t put =
        ::pwrite(descriptor(native_), bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0)
      return false;
    offset += static_cast<std::uint64_t>(put);
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
  return true;
}

bool LogFileHandle::truncate(std::uint64_t size) {
  return ::ftruncate(descriptor(native_), static_cast<off_t>(size)) == 0;
}

bool LogFileHandle::flush() {
  return ::fdatasync(descriptor(native_)) == 0;
}

}  // namespace tk52
