// The simulated clock without its line: everything it receives, decides and sends, driven by
// the caller's clock. The I/O loop feeds it bytes and second boundaries and writes what it
// offers; tests drive it the same way with made-up times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device.h"
#include "faults.h"
#include "garble.h"
#include "link/sentence_assembler.h"
#include "output_queue.h"

namespace tk52::sim {

enum class Direction { kSent, kReceived };

// Sees every sentence that crosses the line, in the order it happens.
class TrafficObserver {
 public:
  virtual ~TrafficObserver() = default;
  virtual void traffic(Direction direction, std::string_view text) = 0;
};

class Engine {
 public:
  Engine(Device device, int baud, std::uint32_t seed);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  void set_observer(TrafficObserver* observer) { observer_ = observer; }

  Device& device() { return device_; }
  Faults& faults() { return faults_; }
  int baud() const { return baud_; }
  void set_baud(int baud);
  bool paced() const { return paced_; }
  void set_paced(bool paced);

  // Bytes from the PC. `peer_baud` is the speed the PC's side of the line uses; 0 when it
  // cannot be known (a real serial device, where the hardware does its own garbling).
  void receive(std::string_view bytes, Micros now, int peer_baud);

  // The clock's own time has reached the whole second `unix_seconds`.
  void second_boundary(std::int64_t unix_seconds, Micros now);

  // An error report that answers nothing.
  void send_error_report(int code, Micros now);

  // A PC has opened the line: under the backlog fault, the time sentences it missed go out
  // ahead of the first reply.
  void line_opened() { backlog_due_ = faults_.backlog > 0; }

  // The bytes that may go on the line now, as the PC's side will read them.
  std::string ready(Micros now, int peer_baud);
  // `count` bytes of the last ready() have been written.
  void consume(std::size_t count, Micros now);
  std::optional<Micros> wake_time() const { return output_.wake_time(); }
  // The line is gone: what was waiting to be sent is lost.
  void drop_output() { output_.clear(); }

 private:
  class Requests final : public SentenceHandler {
   public:
    explicit Requests(Engine& engine) : engine_(engine) {}
    void on_sentence(const char* text, std::size_t size, const CalendarTime& arrival,
                     SentenceKind kind, bool checksum_ok) override;

   private:
    Engine& engine_;
  };

  void answer(std::string_view sentence);
  void queue_time_sentence(std::int64_t unix_seconds, Micros now);
  void queue(std::string body, Origin origin, Micros now, int new_baud = 0);
  void observe(Direction direction, std::string_view text);
  bool mismatched(int peer_baud) const { return peer_baud != 0 && peer_baud != baud_; }

  Device device_;
  Faults faults_;
  FaultShaper shaper_;
  OutputQueue output_;
  Requests requests_{*this};
  SentenceAssembler assembler_;
  Garbler received_garbler_;
  Garbler sent_garbler_;
  TrafficObserver* observer_ = nullptr;
  int baud_;
  bool paced_ = false;
  int last_peer_baud_ = 0;
  Micros receive_time_ = 0;
  std::int64_t last_second_ = 0;
  bool backlog_due_ = false;
};

}  // namespace tk52::sim
