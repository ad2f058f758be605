#include "transcript.h"

#include <ctime>

namespace tk52::sim {

Transcript::~Transcript() {
  if (file_ != nullptr)
    std::fclose(file_);
}

bool Transcript::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Transcript::traffic(Direction direction, std::string_view text) {
  if (file_ == nullptr)
    return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm tm{};
  gmtime_r(&now.tv_sec, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  std::fprintf(file_, "%s.%03ldZ %c ", stamp, now.tv_nsec / 1'000'000,
               direction == Direction::kSent ? '>' : '<');
  // What the PC sent may hold any byte; the transcript stays one line of text per sentence.
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < ' ' || byte > '~') {
      std::fprintf(file_, "\\x%02X", byte);
    } else {
      std::fputc(c, file_);
    }
  }
  std::fputc('\n', file_);
  // Flushed per line, so that a test can read the transcript of a clock that still runs.
  std::fflush(file_);
}

}  // namespace tk52::sim
