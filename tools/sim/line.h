// The serial line the clock sits on: a pseudo-terminal it makes itself, or a real serial device.
#pragma once

#include <memory>
#include <string>

namespace tk52::sim {

class Line {
 public:
  virtual ~Line() = default;

  // The descriptor to read and write; -1 while the line is down.
  virtual int fd() const = 0;
  // The path a PC opens.
  virtual std::string path() const = 0;

  // The speed the PC's side uses; 0 when real hardware does the garbling itself, -1 for a
  // speed that is none of the standard ones.
  virtual int peer_baud() const = 0;
  // Whether a failed read means the line itself is gone (a serial device unplugged) rather than
  // only its PC (a pseudo-terminal whose slave was closed).
  virtual bool gone_on_read_error() const = 0;
  // Whether a PC holds the line open. Without one, what the clock sends is lost; a
  // pseudo-terminal would keep it for whoever opens it next.
  virtual bool attached() = 0;
  // A descriptor that turns readable when a PC may have come (opened the line), so that the
  // clock answers its first bytes at once; -1 when the line cannot tell, and attached() is
  // probed every so often instead. forget_arrivals() empties it.
  virtual int arrival_fd() const { return -1; }
  virtual void forget_arrivals() {}
  // The clock's own speed changed; a real device is reprogrammed once its output has drained.
  virtual bool set_baud(int baud) = 0;

  // Takes the line down (the PC sees a hang-up) and brings it back; open returns false with
  // errno set when it cannot.
  virtual void close() = 0;
  virtual bool open() = 0;
};

// A pseudo-terminal whose slave starts raw at `baud`. With a `link_path`, a symbolic link to the
// slave is kept there (an older link is replaced) and removed when the line is destroyed.
std::unique_ptr<Line> make_pty_line(int baud, const std::string& link_path);

// A serial device, 8N1, raw, no flow control.
std::unique_ptr<Line> make_serial_line(const std::string& device_path, int baud);

}  // namespace tk52::sim
