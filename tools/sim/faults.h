// The faults the simulated clock can show, and the shaping that turns a sentence body into
// what actually goes on the line under them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tk52::sim {

// Which sentences a corrupting fault touches: replies to requests, time sentences, or both.
enum class Scope { kOff, kReplies, kTime, kAll };

struct Faults {
  bool silent = false;      // sends nothing, answers nothing: a clock without power
  bool no_replies = false;  // time sentences only
  bool identification_only = false;
  Scope bad_checksum = Scope::kOff;
  bool bad_crc = false;           // PKEXT and PKEXU only
  Scope malformed = Scope::kOff;  // first field replaced by "#", checksum still right
  Scope overlong = Scope::kOff;   // padded past the 82 characters a reader accepts
  int split_pause_ms = 0;         // replies cut in two with this pause; 0 off
  int delay_ms = 0;               // replies leave this late
  int drop_every = 0;             // every k-th reply is lost; 0 off
  int noise_bytes = 0;            // random bytes, never "$", after every sentence
  int unsolicited_error = -1;     // "$PKEXE,NN" each second, half a second after the time; -1 off
  int backlog = 0;  // time sentences held back while no PC listened, sent ahead of its first reply

  friend bool operator==(const Faults&, const Faults&) = default;
};

// "NAME" or "NAME=VALUE" as the command line and the control channel take it.
bool set_fault(Faults& faults, std::string_view setting, std::string& error);
// A fault name, or "all".
bool clear_fault(Faults& faults, std::string_view name, std::string& error);
// The active faults as "NAME[=VALUE]" words, or "none".
std::string describe_faults(const Faults& faults);
// One line per fault for the help text.
std::string fault_help();

// One write to the line: bytes that may leave `offset_us` after the sentence was produced.
struct Piece {
  std::string bytes;
  std::int64_t offset_us;
  std::string label;  // the transcript's text; empty for the leading part of a split sentence
  bool noise = false;
};

// Whether the clock takes a request of this name at all: a clock that does not answer does not
// act on what it hears either.
bool takes_request(const Faults& faults, std::string_view request_name);

enum class Origin { kReply, kTime, kUnsolicited };

class FaultShaper {
 public:
  explicit FaultShaper(std::uint32_t seed) : random_(seed == 0 ? 1 : seed) {}

  // The pieces that carry a reply, a time sentence or an unsolicited report; none when a fault
  // loses it on the way.
  std::vector<Piece> shape(const Faults& faults, std::string body, Origin origin);

 private:
  std::uint8_t next_random();

  std::uint32_t random_;
  std::uint64_t replies_ = 0;
};

}  // namespace tk52::sim
