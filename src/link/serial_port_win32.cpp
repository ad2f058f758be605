// The serial port on Windows: "\\.\COMn" opened for overlapped I/O. The reader waits on its
// read and on a stop event, so closing wakes it at once and cancels the read instead of killing
// the thread. Bytes already waiting in the driver are taken in one read; on a quiet line the
// read is of one byte.
#include <windows.h>

#include <algorithm>
#include <string>

#include "link/serial_port.h"

namespace tk52 {
namespace {

constexpr DWORD kQueueSize = 65536;
constexpr DWORD kReadBlock = 4096;

// Why a COM port could not be opened or set up, for the operator.
std::string device_failure(const std::string& name, DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "Порта " + name + " нет (адаптер отключён или имя неверно).";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "Порт " + name + " занят другой программой.";
    default:
      return "Порт " + name + ": ошибка системы " + std::to_string(error) + ".";
  }
}

class Win32SerialPort final : public SerialPort {
 public:
  using SerialPort::SerialPort;
  ~Win32SerialPort() override { close(); }

 protected:
  int open_device(const std::string& name, int baud) override {
    const std::wstring path = L"\\\\.\\" + std::wstring(name.begin(), name.end());
    port_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    if (port_ == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      set_open_failure(device_failure(name, error));
      return static_cast<int>(error);
    }
    next_ = 0;
    held_ = 0;
    const DWORD error = configure(static_cast<DWORD>(baud));
    if (error != 0) {
      close_device();
      set_open_failure(device_failure(name, error));
      return static_cast<int>(error);
    }
    return 0;
  }

  void close_device() override {
    for (HANDLE* h : {&read_event_, &write_event_, &stop_event_}) {
      if (*h != nullptr)
        CloseHandle(*h);
      *h = nullptr;
    }
    if (port_ != INVALID_HANDLE_VALUE)
      CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
  }

  WriteResult write_device(const char* data, std::size_t size, std::uint32_t timeout_ms) override {
    OVERLAPPED overlapped{};
    overlapped.hEvent = write_event_;
    ResetEvent(write_event_);
    DWORD written = 0;
    const auto length = static_cast<DWORD>(size);
    if (!WriteFile(port_, data, length, &written, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      return {false, static_cast<int>(GetLastError())};
    }
    const DWORD wait = WaitForSingleObject(write_event_, timeout_ms);
    if (wait != WAIT_OBJECT_0) {
      const DWORD error = wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
      // The write must not outlive its OVERLAPPED: cancel it and wait for the cancellation.
      CancelIoEx(port_, &overlapped);
      GetOverlappedResult(port_, &overlapped, &written, TRUE);
      return {written == length, static_cast<int>(error)};
    }
    if (!GetOverlappedResult(port_, &overlapped, &written, FALSE)) {
      return {false, static_cast<int>(GetLastError())};
    }
    return {written == length, written == length ? 0 : static_cast<int>(ERROR_WRITE_FAULT)};
  }

  bool set_device_speed(int baud) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb))
      return false;
    dcb.BaudRate = static_cast<DWORD>(baud);
    return SetCommState(port_, &dcb) != FALSE;
  }

  ReadResult read_device_byte() override {
    if (next_ < held_)
      return {ReadStatus::kByte, block_[next_++], 0};
    // Every read costs a system call (under Wine a round trip to its server as well, about
    // 2.7 KB/s one byte at a time), so what the driver holds already comes in one read.
    DWORD wanted = 1;
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(port_, &errors, &status) && status.cbInQue > 1)
      wanted = std::min(status.cbInQue, kReadBlock);
    OVERLAPPED overlapped{};
    overlapped.hEvent = read_event_;
    ResetEvent(read_event_);
    DWORD got = 0;
    if (!ReadFile(port_, block_, wanted, &got, &overlapped)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING)
        return failed_read(error);
      const HANDLE waits[2] = {read_event_, stop_event_};
      const DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (which != WAIT_OBJECT_0) {
        CancelIoEx(port_, &overlapped);
        GetOverlappedResult(port_, &overlapped, &got, TRUE);
        return {ReadStatus::kStopped, 0, 0};
      }
      // Wine ends a read cut short by the time-outs with ERROR_TIMEOUT, whatever it got.
      if (!GetOverlappedResult(port_, &overlapped, &got, FALSE) &&
          (got == 0 || GetLastError() != ERROR_TIMEOUT)) {
        return failed_read(GetLastError());
      }
    }
    if (got > 0) {
      held_ = got;
      next_ = 1;
      return {ReadStatus::kByte, block_[0], 0};
    }
    // The read time-outs ended the read with no byte: the line is silent.
    return {ReadStatus::kTimeout, 0, 0};
  }

  void wake_reader() override { SetEvent(stop_event_); }

  void reader_pause(std::uint32_t ms) override { WaitForSingleObject(stop_event_, ms); }

 private:
  ReadResult failed_read(DWORD error) const {
    // Windows reports the read time-out as success with no byte; Wine reports ERROR_TIMEOUT.
    // Both mean a silent line, and so does a read still pending.
    if (error == ERROR_TIMEOUT || error == ERROR_IO_PENDING)
      return {ReadStatus::kTimeout, 0, 0};
    if (stop_requested())
      return {ReadStatus::kStopped, 0, 0};
    // What the drivers of USB adapters answer once the adapter has been pulled out; Wine
    // answers a hung-up pseudo-terminal with ERROR_BROKEN_PIPE.
    switch (error) {
      case ERROR_ACCESS_DENIED:
      case ERROR_INVALID_HANDLE:
      case ERROR_BAD_COMMAND:
      case ERROR_GEN_FAILURE:
      case ERROR_BROKEN_PIPE:
      case ERROR_DEVICE_NOT_CONNECTED:
      case ERROR_DEVICE_REMOVED:
        return {ReadStatus::kGone, 0, static_cast<int>(error)};
      default:
        return {ReadStatus::kError, 0, static_cast<int>(error)};
    }
  }

  DWORD configure(DWORD baud) {
    if (!SetupComm(port_, kQueueSize, kQueueSize))
      return GetLastError();
    if (!PurgeComm(port_, PURGE_TXCLEAR | PURGE_RXCLEAR))
      return GetLastError();

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb))
      return GetLastError();
    dcb.BaudRate = baud;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = 256;
    dcb.XoffLim = 256;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0;
    dcb.XoffChar = 0;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    if (!SetCommState(port_, &dcb))
      return GetLastError();

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 500;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 500;
    if (!SetCommTimeouts(port_, &timeouts))
      return GetLastError();

    read_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    write_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stop_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (read_event_ == nullptr || write_event_ == nullptr || stop_event_ == nullptr) {
      return GetLastError();
    }
    if (!SetCommMask(port_, EV_RXCHAR))
      return GetLastError();
    return 0;
  }

  HANDLE port_ = INVALID_HANDLE_VALUE;
  HANDLE read_event_ = nullptr;
  HANDLE write_event_ = nullptr;
  HANDLE stop_event_ = nullptr;
  // Reader thread only: the bytes of the last read not yet handed on.
  char block_[kReadBlock] = {};
  DWORD held_ = 0;
  DWORD next_ = 0;
};

}  // namespace

std::unique_ptr<SerialPort> make_serial_port(TrafficLogWriter& log, const Clock& clock) {
  return std::make_unique<Win32SerialPort>(log, clock);
}

}  // namespace tk52
