// Figures of the synchronisation's accuracy against tk52sim on a pseudo-terminal: how far from
// the clock's true time the PC clock is set (the set time minus the simulator's time at that
// moment), and how far the difference field is from the true offset, at two line speeds with
// and without the simulator sending at the line's rate. The PC clock is a recorder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../sync/sync_fakes.h"
#include "headless.h"
#include "link/serial_port.h"
#include "pages/sync/time_sync.h"
#include "simulator.h"

namespace {

using namespace std::chrono_literals;
using namespace tk52;

constexpr int kOffsetMs = 1500;
constexpr int kSynchronisations = 8;

struct Figures {
  std::vector<double> set_error_ms;
  std::vector<double> shown_error_ms;
};

void print_row(const char* what, std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::printf("    %-28s min %7.2f  median %7.2f  max %7.2f ms\n", what, values.front(),
              values[values.size() / 2], values.back());
}

bool measure(int baud, bool paced, Figures& figures) {
  std::vector<std::string> args = {"--time-format",           "2",      "--offset-ms",
                                   std::to_string(kOffsetMs), "--baud", std::to_string(baud)};
  if (paced)
    args.push_back("--pace");
  const auto sim = test::Simulator::start(args);
  if (sim == nullptr)
    return false;
  cli::HeadlessConfigurator front([](const std::string&) {});
  Configurator& c = *front.configurator;
  test::RecordingSyncView view;
  test::RecordingSetter setter;
  double set_error_ms = 0;
  setter.when_set([&](const CalendarTime& utc) {
    const auto truth = std::chrono::system_clock::now() + std::chrono::milliseconds(kOffsetMs);
    set_error_ms =
        std::chrono::duration<double, std::milli>(test::as_sys_time(utc) - truth).count();
  });
  SystemTimeZone zone;
  bool ok = true;
  {
    TimeSync sync({view, c.protocol().time_valid(), c.traffic_log(), c.clock(), zone, setter,
                   std::make_unique<ThreadPeriodTimer>()});
    c.add_listener(sync);
    c.set_time_listener(&sync);
    c.select_port({.name = sim->port()});
    front.configuration.speed = speed_index(baud);
    front.connection_operations->connect_or_disconnect();
    front.pump();
    ok = c.connected() && view.wait_until([&] { return view.manual_enabled_locked(); });
    for (std::size_t i = 0; ok && i < kSynchronisations; ++i) {
      sync.synchronise_now();
      ok = setter.wait_until([&] { return setter.count_locked() > i; });
      if (!ok)
        break;
      figures.set_error_ms.push_back(set_error_ms);
      // The sentence that set the clock was shown first.
      const std::string shown = view.last_shown().difference;
      figures.shown_error_ms.push_back(std::stod(shown) * 1000.0 + kOffsetMs);
    }
    if (c.connected())
      front.connection_operations->connect_or_disconnect();
    c.set_time_listener(nullptr);
  }
  return ok;
}

}  // namespace

int main() {
  std::printf(
      "time synchronisation against tk52sim (clock %+d ms from the host), %d manual\n"
      "synchronisations each; errors are PC minus clock:\n",
      kOffsetMs, kSynchronisations);
  const struct {
    int baud;
    bool paced;
  } runs[] = {{115200, false}, {115200, true}, {9600, true}};
  for (const auto& run : runs) {
    Figures figures;
    if (!measure(run.baud, run.paced, figures)) {
      std::fprintf(stderr, "sync_accuracy_bench: the run at %d bit/s failed\n", run.baud);
      return 1;
    }
    std::printf("  %d bit/s%s:\n", run.baud, run.paced ? ", sent at the line's rate" : "");
    print_row("PC clock set, error", figures.set_error_ms);
    print_row("difference field, error", figures.shown_error_ms);
  }
  return 0;
}
