#include "engine.h"

#include "platform/clock.h"
#include "speeds.h"
#include "time_sentences.h"

namespace tk52::sim {
namespace {

constexpr Micros kErrorReportLag = 500'000;  // half a second after the time sentence

std::string speeds_note(int clock_baud, int peer_baud) {
  return "garbled: clock at " + std::to_string(clock_baud) + ", PC at " +
         std::to_string(peer_baud) + " bit/s";
}

}  // namespace

Engine::Engine(Device device, int baud, std::uint32_t seed)
    : device_(std::move(device)),
      shaper_(seed),
      assembler_(requests_, SystemClock::instance()),
      baud_(baud) {}

void Engine::set_baud(int baud) {
  baud_ = baud;
  if (paced_)
    output_.set_rate(bytes_per_second(baud_));
}

void Engine::set_paced(bool paced) {
  paced_ = paced;
  output_.set_rate(paced_ ? bytes_per_second(baud_) : 0);
}

void Engine::Requests::on_sentence(const char* text, std::size_t size, const CalendarTime&,
                                   SentenceKind, bool) {
  engine_.answer(std::string_view(text, size));
}

void Engine::receive(std::string_view bytes, Micros now, int peer_baud) {
  if (faults_.silent)
    return;
  receive_time_ = now;
  if (mismatched(peer_baud)) {
    const std::string garbage = received_garbler_.garble(bytes, peer_baud, baud_);
    observe(Direction::kReceived,
            "[" + std::to_string(bytes.size()) + " bytes " + speeds_note(baud_, peer_baud) + "]");
    assembler_.feed(garbage.data(), garbage.size());
    return;
  }
  assembler_.feed(bytes.data(), bytes.size());
}

void Engine::answer(std::string_view sentence) {
  observe(Direction::kReceived, sentence.substr(0, sentence.find_last_not_of("\r\n") + 1));
  if (!takes_request(faults_, sentence.substr(1, 5)))
    return;
  if (backlog_due_) {
    backlog_due_ = false;
    for (std::int64_t second = last_second_ - faults_.backlog + 1; second <= last_second_; ++second)
      queue_time_sentence(second, receive_time_);
  }
  Answer answer = device_.on_sentence(sentence);
  for (std::size_t i = 0; i < answer.bodies.size(); ++i) {
    const bool last = i + 1 == answer.bodies.size();
    queue(std::move(answer.bodies[i]), Origin::kReply, receive_time_, last ? answer.new_baud : 0);
  }
}

void Engine::second_boundary(std::int64_t unix_seconds, Micros now) {
  last_second_ = unix_seconds;
  queue_time_sentence(unix_seconds, now);
  if (faults_.unsolicited_error >= 0) {
    send_error_report(faults_.unsolicited_error, now + kErrorReportLag);
  }
}

void Engine::queue_time_sentence(std::int64_t unix_seconds, Micros now) {
  const std::string body = time_sentence_body(device_.configuration().time_format,
                                              unix_seconds * 1000, device_.extra_info());
  if (!body.empty())
    queue(body, Origin::kTime, now);
}

void Engine::send_error_report(int code, Micros now) {
  queue(error_report_body(code), Origin::kUnsolicited, now);
}

void Engine::queue(std::string body, Origin origin, Micros now, int new_baud) {
  std::vector<Piece> pieces = shaper_.shape(faults_, std::move(body), origin);
  // The clock acted on the request even when its reply is lost on the way.
  if (pieces.empty() && new_baud != 0)
    set_baud(new_baud);
  for (Piece& piece : pieces) {
    // The speed changes after the reply's last byte, before any noise that trails it.
    const bool reply_end =
        !piece.noise && new_baud != 0 && (&piece == &pieces.back() || (&piece + 1)->noise);
    output_.push({std::move(piece.bytes), now + piece.offset_us, std::move(piece.label),
                  reply_end ? new_baud : 0});
  }
}

std::string Engine::ready(Micros now, int peer_baud) {
  last_peer_baud_ = peer_baud;
  const std::string_view bytes = output_.ready(now);
  if (!mismatched(peer_baud))
    return std::string(bytes);
  return sent_garbler_.garble(bytes, baud_, peer_baud);
}

void Engine::consume(std::size_t count, Micros now) {
  const int sent_at = baud_;
  std::optional<Outgoing> done = output_.consume(count, now);
  if (!done)
    return;
  if (!done->label.empty()) {
    observe(Direction::kSent, mismatched(last_peer_baud_)
                                  ? done->label + " [" + speeds_note(sent_at, last_peer_baud_) + "]"
                                  : done->label);
  }
  if (done->new_baud != 0)
    set_baud(done->new_baud);
}

void Engine::observe(Direction direction, std::string_view text) {
  if (observer_ != nullptr)
    observer_->traffic(direction, text);
}

}  // namespace tk52::sim
