// Windows files: the log is opened with read and write sharing so that a viewer window, or any
// other program, can read "journal.txt" while it is written. Reads and writes name their
// offset in an OVERLAPPED record, so the handle's own file pointer never matters.
#include <windows.h>

#include "log/log_file_io.h"

namespace tk52 {
namespace {

HANDLE handle(std::intptr_t native) {
  return reinterpret_cast<HANDLE>(native);
}

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = static_cast<DWORD>(offset);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return overlapped;
}

// One call moves at most this much, well below DWORD's range.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

DWORD transfer_size(std::size_t size) {
  return static_cast<DWORD>(size < kLargestTransfer ? size : kLargestTransfer);
}

}  // namespace

bool LogFileHandle::open_shared(const std::filesystem::path& path, Access access) {
  close();
  const DWORD rights = access == Access::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  HANDLE h = ::CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  native_ = reinterpret_cast<std::intptr_t>(h);
  return true;
}

LogFileHandle::CreateResult LogFileHandle::create_new(const std::filesystem::path& path) {
  close();
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? CreateResult::kExists
                                                                       : CreateResult::kFailed;
  }
  native_ = reinterpret_cast<std::intptr_t>(h);
  return CreateResult::kCreated;
}

void LogFileHandle::close() {
  if (native_ == kInvalid)
    return;
  ::CloseHandle(handle(native_));
  native_ = kInvalid;
}

std::optional<std::uint64_t> LogFileHandle::size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(handle(native_), &size))
    return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::size_t> LogFileHandle::read_at(std::uint64_t offset,
                                                  std::span<char> buffer) const {
  OVERLAPPED overlapped = at(offset);
  DWORD got = 0;
  if (::ReadFile(handle(native_), buffer.data(), transfer_size(buffer.size()), &got, &overlapped))
    return got;
  // A synchronous handle reports a read that starts at or past the end this way.
  if (::GetLastError() == ERROR_HANDLE_EOF)
    return 0;
  return std::nullopt;
}

bool LogFileHandle::write_at(std::uint64_t offset, std::span<const char> bytes) {
  while (!bytes.empty()) {
    OVERLAPPED overlapped = at(offset);
    DWORD put = 0;
    if (!::WriteFile(handle(native_), bytes.data(), transfer_size(bytes.size()), &put,
                     &overlapped) ||
        put == 0)
      return false;
    offset += put;
    bytes = bytes.subspan(put);
  }
  return true;
}

bool LogFileHandle::truncate(std::uint64_t size) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(handle(native_), end, nullptr, FILE_BEGIN) &&
         ::SetEndOfFile(handle(native_));
}

bool LogFileHandle::flush() {
  return ::FlushFileBuffers(handle(native_)) != FALSE;
}

}  // namespace tk52
