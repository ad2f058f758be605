// Figures of the link and the operations against tk52sim on a pseudo-terminal at 115200 bit/s:
// connect latency, timed from the opening of the port through identification and configuration
// read (the simulator notices the opening at once), without and with the simulator's pacing,
// compared with the wire time of the bytes exchanged; request-and-reply throughput at
// the line rate; and the time to find a clock at 115200 bit/s.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/exchange.h"
#include "headless.h"
#include "simulator.h"

namespace {

using Steady = std::chrono::steady_clock;
using tk52::cli::HeadlessConfigurator;

double ms_since(Steady::time_point start) {
  return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Wire time in ms of `bytes` bytes at `baud` bit/s, ten bits a byte.
double wire_ms(std::size_t bytes, int baud) {
  return 1000.0 * 10.0 * static_cast<double>(bytes) / baud;
}

// Counts the bytes of the sentences the clock sent, from the traffic log's received lines. The
// simulator paces only what it sends: the PC's requests cross the pseudo-terminal at once.
class ReceivedBytes {
 public:
  void operator()(const std::string& line) {
    if (line.size() > 31 && line.compare(27, 4, ">>> ") == 0)
      bytes_ += line.size() - 31;
  }
  std::size_t take() { return bytes_.exchange(0); }

 private:
  std::atomic<std::size_t> bytes_{0};
};

void connect_latency(bool paced) {
  std::vector<std::string> args = {"--time-format", "0"};
  if (paced)
    args.push_back("--pace");
  const auto sim = tk52::test::Simulator::start(args);
  ReceivedBytes received;
  HeadlessConfigurator front([&received](const std::string& line) { received(line); });
  tk52::Configurator& c = *front.configurator;
  c.select_port({.name = sim->port()});
  std::vector<double> times;
  std::size_t reply_bytes = 0;
  for (int i = 0; i < 20; ++i) {
    const auto start = Steady::now();
    front.connection_operations->connect_or_disconnect();
    times.push_back(ms_since(start));
    front.pump();
    if (!c.connected()) {
      std::printf("connect failed\n");
      return;
    }
    front.log_lines.flush();
    reply_bytes = received.take();
    front.connection_operations->connect_or_disconnect();
  }
  std::printf(
      "connect (open, identify, read the configuration) at 115200, %s: median %.1f ms; "
      "the clock's %zu reply bytes take %.1f ms on the wire\n",
      paced ? "paced" : "unpaced", median(times), reply_bytes, wire_ms(reply_bytes, 115200));
}

void throughput() {
  const auto sim = tk52::test::Simulator::start({"--time-format", "0", "--pace"});
  ReceivedBytes received;
  HeadlessConfigurator front([&received](const std::string& line) { received(line); });
  tk52::Configurator& c = *front.configurator;
  c.select_port({.name = sim->port()});
  front.connection_operations->connect_or_disconnect();
  if (!c.connected())
    return;
  front.log_lines.flush();
  received.take();
  const tk52::Request query = tk52::build_query(tk52::SentenceKind::kPkexs);
  const int rounds = 200;
  int good = 0;
  const auto start = Steady::now();
  {
    std::lock_guard lock(c.protocol().operation_lock());
    for (int i = 0; i < rounds; ++i) {
      good += tk52::exchange_once(c.protocol(), c.port(), tk52::SentenceKind::kPkexs, query) ==
              tk52::result::kOk;
    }
  }
  const double elapsed = ms_since(start);
  front.pump();
  front.log_lines.flush();
  const double line_ms = wire_ms(received.take(), 115200);
  std::printf(
      "PKEXS round trips at 115200, paced: %d of %d in %.0f ms, %.1f replies/s; the "
      "replies alone take %.0f ms on the wire (%.0f%% of the time)\n",
      good, rounds, elapsed, 1000.0 * good / elapsed, line_ms, 100.0 * line_ms / elapsed);
}

void find_time() {
  const auto sim = tk52::test::Simulator::start({"--time-format", "0"});
  HeadlessConfigurator front([](const std::string&) {});
  tk52::Configurator& c = *front.configurator;
  c.select_port({.name = sim->port()});
  const auto start = Steady::now();
  front.connection_operations->find_device();
  const double elapsed = ms_since(start);
  std::printf("find a clock at 115200: %.0f ms (%s)\n", elapsed,
              c.connected() ? "found" : "not found");
}

void journal_rate(int baud) {
  const auto sim =
      tk52::test::Simulator::start({"--model", "TK-52.A", "--time-format", "0", "--pace", "--baud",
                                    std::to_string(baud), "--journal-size", "1=300"});
  HeadlessConfigurator front([](const std::string&) {});
  tk52::Configurator& c = *front.configurator;
  c.select_port({.name = sim->port()});
  front.configuration.speed = tk52::speed_index(baud);
  front.connection_operations->connect_or_disconnect();
  if (!c.connected())
    return;
  tk52::JournalReader& reader = *front.journal_reader;
  const auto start = Steady::now();
  reader.read_whole_journal();
  // The pass ends a second after its last record; count the time to that record.
  Steady::time_point last = start;
  std::size_t seen = 0;
  front.pump_until(
      [&] {
        if (front.journals.lines.size() != seen) {
          seen = front.journals.lines.size();
          last = Steady::now();
        }
        return !reader.reading();
      },
      std::chrono::minutes(5));
  const double elapsed = std::chrono::duration<double>(last - start).count();
  std::printf("journal of 300 records at %d bit/s, paced: %d records in %.2f s, %.0f records/s\n",
              baud, reader.displayed(), elapsed, reader.displayed() / elapsed);
}

}  // namespace

int main() {
  connect_latency(false);
  connect_latency(true);
  throughput();
  find_time();
  journal_rate(115200);
  journal_rate(9600);
  return 0;
}
