// The traffic of a run, one line per sentence: "2026-06-01T12:00:00.000Z > $PKEXT,...*HH".
// ">" is what the clock sent, "<" what it received.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "engine.h"

namespace tk52::sim {

class Transcript final : public TrafficObserver {
 public:
  Transcript() = default;
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;
  ~Transcript() override;

  // False with errno set when the file cannot be created.
  bool open(const std::string& path);
  void traffic(Direction direction, std::string_view text) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace tk52::sim
