// Receive-path cost, in ns per sentence (the median of repetitions) with the heap allocations
// per sentence (the receive path must make none):
// - each kind through verify + parse + dispatch alone;
// - real byte streams through the sentence assembler and the dispatcher exactly as the reader
//   thread runs them: the TK-52 session's received bytes and the receivers' captures, with the
//   machine's clock read at every "$" (local time and tick from one reading), fed in blocks as
//   the POSIX reader and tk52cli feed it and a byte at a time as the Windows program does; beside
//   it the same stream with the two read one after the other, and with the local time also
//   converted in full at every "$" (what the clock used to do), and with a fixed clock (the
//   assembler and dispatcher alone);
// - the CRC-16 of a PKEXU, table-driven beside the bit-at-a-time loop it replaced.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "link/sentence_assembler.h"
#include "platform/clock.h"
#include "protocol/framing.h"
#include "protocol/protocol.h"
#include "protocol/requests.h"

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace tk52 {
namespace {

constexpr int kRepetitions = 11;
constexpr double kMinSeconds = 0.05;

class NullEvents final : public ProtocolEvents {
 public:
  bool post_reply(const ReplyNotification&) override { return true; }
  void log_received(const char*, std::size_t, const CalendarTime&, bool) override {}
  void counters_changed() override {}
  void time_received(const TimeRecord&, const CalendarTime&) override {}
};

std::string with_crc(const std::string& name, const std::string& fields) {
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X",
                static_cast<unsigned>(crc16_ccitt_false(fields.data(), fields.size())));
  return std::string(frame_request(name + "," + fields + "," + crc).view());
}

std::string framed(const std::string& body) {
  return std::string(frame_request(body).view());
}

void set_counters(benchmark::State& state, long long allocations, double sentences) {
  state.counters["ns/sentence"] =
      benchmark::Counter(sentences, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs/sentence"] =
      benchmark::Counter(static_cast<double>(allocations) / sentences);
}

void dispatch_one(benchmark::State& state, const std::string& text, int model) {
  NullEvents events;
  Protocol protocol(events);
  protocol.set_model_type(model_from_number(model));
  const SentenceKind kind = classify_name(text.data() + 1);
  long long allocations = 0;
  for (auto _ : state) {
    const long long before = g_allocations.load(std::memory_order_relaxed);
    benchmark::DoNotOptimize(protocol.dispatch(text.data(), text.size(), CalendarTime{}, kind));
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
  }
  set_counters(state, allocations, static_cast<double>(state.iterations()));
}

struct KindCase {
  const char* name;
  std::string text;
  int model;
};

std::vector<KindCase> kind_cases() {
  return {
      {"GPRMC", "$GPRMC,202640.000,A,4404.1306,N,12118.8515,W,0.03,225.97,130415,,,D*73\r\n", 0},
      {"PKEXT", with_crc("PKEXT", "123456.57,10,12,2026,A,12"), 1},
      {"PKEXU", with_crc("PKEXU", "123456.57,10,12,2026,A,,5C2E7B00"), 1},
      {"PKEXC config", framed("PKEXC,2,1,2,0,2,100"), 3},
      {"PKEXC result", framed("PKEXC,OK"), 3},
      {"PKEXR", framed("PKEXR,7,A"), 1},
      {"PKEXI", framed("PKEXI,TK-52.A,01,V2.345"), 3},
      {"PKEXS", framed("PKEXS,A,09,1,-5,5545.0012345,N,03737.5000,E,156.07,M"), 3},
      {"PKEXD", framed("PKEXD,E3"), 3},
      {"PKEXE", framed("PKEXE,02"), 3},
      {"PKEXJ record", framed("PKEXJ,01,0042,5043219987654321"), 3},
      {"bad checksum", "$PKEXS,A,09*00\r\n", 3},
  };
}

// The assembler's clocks. The machine's, as the program reads it; the same read twice at every
// "$", and with the local time converted from scratch at every call, as it used to be; and a
// fixed one.
class TwoReadingsClock : public Clock {
 public:
  CalendarTime local_now() const override { return SystemClock::instance().local_now(); }
  CalendarTime utc_now() const override { return SystemClock::instance().utc_now(); }
  std::uint32_t tick_ms() const override { return SystemClock::instance().tick_ms(); }
};

// The same with the local time converted from scratch at every reading.
class FullConversionClock final : public TwoReadingsClock {
 public:
  CalendarTime local_now() const override {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return local_time_converted(
        std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
  }
};

class FixedClock final : public Clock {
 public:
  CalendarTime local_now() const override { return {}; }
  CalendarTime utc_now() const override { return {}; }
  std::uint32_t tick_ms() const override { return 0; }
};

class CountingHandler final : public SentenceHandler {
 public:
  void on_sentence(const char*, std::size_t, const CalendarTime&, SentenceKind, bool) override {
    ++count;
  }
  long long count = 0;
};

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A receiver's capture as the receiver sent it: every line ends in CR LF (some files lost
// their CRs on the way).
std::string receiver_stream(const std::string& name) {
  const std::string text = read_file(std::string(TK52_CAPTURES_DIR) + "/" + name + ".log");
  std::istringstream lines(text);
  std::string stream, line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    stream += line + "\r\n";
  }
  return stream;
}

// The bytes the clock sent in a traffic log: the text of every received (">>> ") line.
std::string session_stream(const std::string& name) {
  const std::string text = read_file(std::string(TK52_CAPTURES_DIR) + "/" + name + ".log");
  std::istringstream lines(text);
  std::string stream, line;
  while (std::getline(lines, line)) {
    const auto at = line.find(">>> $");
    if (at == std::string::npos)
      continue;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    stream += line.substr(at + 4) + "\r\n";
  }
  return stream;
}

long long count_sentences(const std::string& stream) {
  CountingHandler counter;
  FixedClock clock;
  SentenceAssembler assembler(counter, clock);
  assembler.feed(stream.data(), stream.size());
  return counter.count;
}

enum class Feed { kBlocks, kBytes };

void feed_stream(benchmark::State& state, const std::string& stream, const Clock& clock,
                 Feed feed) {
  const long long sentences = count_sentences(stream);
  NullEvents events;
  Protocol protocol(events);
  ProtocolSentenceHandler handler(protocol);
  SentenceAssembler assembler(handler, clock);
  long long allocations = 0;
  for (auto _ : state) {
    const long long before = g_allocations.load(std::memory_order_relaxed);
    if (feed == Feed::kBlocks) {
      assembler.feed(stream.data(), stream.size());
    } else {
      for (const char byte : stream)
        assembler.feed(byte);
    }
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
  }
  set_counters(state, allocations,
               static_cast<double>(sentences) * static_cast<double>(state.iterations()));
  state.SetLabel(std::to_string(sentences) + " sentences, " + std::to_string(stream.size()) +
                 " bytes");
}

// The CRC-16/CCITT-FALSE one bit at a time, as it was computed before the table.
std::uint16_t crc16_bit_loop(const char* data, std::size_t size) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[i]) << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

template <std::uint16_t (*crc)(const char*, std::size_t)>
void crc_of_pkexu(benchmark::State& state) {
  std::string covered = "123456.57,10,12,2026,A,,5C2E7B00";
  for (auto _ : state) {
    benchmark::DoNotOptimize(covered.data());
    benchmark::DoNotOptimize(crc(covered.data(), covered.size()));
  }
}

// Only the medians of the repetitions are printed.
class MedianReporter final : public benchmark::ConsoleReporter {
 public:
  MedianReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> medians;
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name == "median")
        medians.push_back(run);
    }
    if (!medians.empty())
      ConsoleReporter::ReportRuns(medians);
  }
};

void register_all() {
  const auto tune = [](benchmark::internal::Benchmark* b) { b->ReportAggregatesOnly(true); };
  for (const KindCase& c : kind_cases()) {
    tune(benchmark::RegisterBenchmark(
        ("dispatch/" + std::string(c.name)).c_str(),
        [c](benchmark::State& state) { dispatch_one(state, c.text, c.model); }));
  }

  static const TwoReadingsClock two_readings;
  static const FullConversionClock full_conversion;
  static const FixedClock fixed;
  struct ClockCase {
    const char* name;
    const Clock* clock;
  };
  const ClockCase clocks[] = {{"machine clock", &SystemClock::instance()},
                              {"two precise readings", &two_readings},
                              {"full local-time conversion", &full_conversion},
                              {"fixed clock", &fixed}};
  std::vector<std::pair<std::string, std::string>> streams = {
      {"tk52-session", session_stream("tk52-session")}};
  std::string all = streams.front().second;
  for (const char* name : {"haicom-305N", "sirfstarv-nmea", "st-teseo-liv3f", "hemi", "mt3339",
                           "firefly-II", "nmea-fuzzy-cases"}) {
    const std::string stream = receiver_stream(name);
    all += stream;
    // Its sentences are all overlong: it only counts in the whole.
    if (count_sentences(stream) > 0)
      streams.emplace_back(name, stream);
  }
  streams.emplace_back("all captures", all);
  for (const auto& [name, stream] : streams) {
    for (const ClockCase& clock : clocks) {
      tune(benchmark::RegisterBenchmark(("stream/" + name + "/" + clock.name).c_str(),
                                        [s = stream, c = clock.clock](benchmark::State& state) {
                                          feed_stream(state, s, *c, Feed::kBlocks);
                                        }));
    }
    tune(benchmark::RegisterBenchmark(
        ("stream/" + name + "/machine clock, a byte at a time").c_str(),
        [s = stream](benchmark::State& state) {
          feed_stream(state, s, SystemClock::instance(), Feed::kBytes);
        }));
  }

  tune(benchmark::RegisterBenchmark("crc16/PKEXU table", crc_of_pkexu<crc16_ccitt_false>));
  tune(benchmark::RegisterBenchmark("crc16/PKEXU bit loop", crc_of_pkexu<crc16_bit_loop>));
}

}  // namespace
}  // namespace tk52

int main(int argc, char** argv) {
  // Medians of repetitions unless told otherwise on the command line.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=" + std::to_string(tk52::kRepetitions);
  std::string min_time = "--benchmark_min_time=" + std::to_string(tk52::kMinSeconds);
  args.insert(args.begin() + 1, {repetitions.data(), min_time.data()});
  argc = static_cast<int>(args.size());
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  tk52::register_all();
  tk52::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
