// Receive-path cost: verify + parse + dispatch of one sentence per kind, in ns per sentence,
// with the number of heap allocations per sentence (the receive path must make none).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "link/sentence_assembler.h"
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

void dispatch_one(benchmark::State& state, const std::string& text, DeviceModelType model) {
  NullEvents events;
  Protocol protocol(events);
  protocol.set_model_type(model);
  const SentenceKind kind = classify_name(text.data() + 1);
  const long long before = g_allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(protocol.dispatch(text.data(), text.size(), CalendarTime{}, kind));
  }
  state.counters["allocs/sentence"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations());
}

void BM_Gprmc(benchmark::State& s) {
  dispatch_one(s, "$GPRMC,202640.000,A,4404.1306,N,12118.8515,W,0.03,225.97,130415,,,D*73\r\n", 0);
}
void BM_Pkext(benchmark::State& s) {
  dispatch_one(s, with_crc("PKEXT", "123456.57,10,12,2026,A,12"), 1);
}
void BM_Pkexu(benchmark::State& s) {
  dispatch_one(s, with_crc("PKEXU", "123456.57,10,12,2026,A,,5C2E7B00"), 1);
}
void BM_PkexcConfig(benchmark::State& s) {
  dispatch_one(s, framed("PKEXC,2,1,2,0,2,100"), 3);
}
void BM_PkexcResult(benchmark::State& s) {
  dispatch_one(s, framed("PKEXC,OK"), 3);
}
void BM_Pkexr(benchmark::State& s) {
  dispatch_one(s, framed("PKEXR,7,A"), 1);
}
void BM_Pkexi(benchmark::State& s) {
  dispatch_one(s, framed("PKEXI,TK-52.A,01,V2.345"), 3);
}
void BM_Pkexs(benchmark::State& s) {
  dispatch_one(s, framed("PKEXS,A,09,1,-5,5545.0012345,N,03737.5000,E,156.07,M"), 3);
}
void BM_Pkexd(benchmark::State& s) {
  dispatch_one(s, framed("PKEXD,E3"), 3);
}
void BM_Pkexe(benchmark::State& s) {
  dispatch_one(s, framed("PKEXE,02"), 3);
}
void BM_PkexjRecord(benchmark::State& s) {
  dispatch_one(s, framed("PKEXJ,01,0042,5043219987654321"), 3);
}
void BM_BadChecksum(benchmark::State& s) {
  dispatch_one(s, "$PKEXS,A,09*00\r\n", 3);
}

BENCHMARK(BM_Gprmc);
BENCHMARK(BM_Pkext);
BENCHMARK(BM_Pkexu);
BENCHMARK(BM_PkexcConfig);
BENCHMARK(BM_PkexcResult);
BENCHMARK(BM_Pkexr);
BENCHMARK(BM_Pkexi);
BENCHMARK(BM_Pkexs);
BENCHMARK(BM_Pkexd);
BENCHMARK(BM_Pkexe);
BENCHMARK(BM_PkexjRecord);
BENCHMARK(BM_BadChecksum);

// The assembler and the dispatcher together, fed a real receiver's stream byte by byte.
class FixedClock final : public Clock {
 public:
  CalendarTime local_now() const override { return {}; }
  CalendarTime utc_now() const override { return {}; }
  std::uint32_t tick_ms() const override { return 0; }
};

void BM_AssembleAndDispatchPerByte(benchmark::State& state) {
  std::string stream;
  for (int i = 0; i < 20; ++i) {
    stream += with_crc("PKEXT", "123456.57,10,12,2026,A,12");
    stream += "$GPZDA,202640.000,13,04,2015,,*54\r\n";
    stream += framed("PKEXS,A,09,1,-5,5545.0012345,N,03737.5000,E,156.07,M");
  }
  NullEvents events;
  Protocol protocol(events);
  ProtocolSentenceHandler handler(protocol);
  FixedClock clock;
  SentenceAssembler assembler(handler, clock);
  const long long before = g_allocations.load();
  for (auto _ : state)
    assembler.feed(stream.data(), stream.size());
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(stream.size()));
  state.counters["ns/byte"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(stream.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs/iteration"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_AssembleAndDispatchPerByte);

}  // namespace
}  // namespace tk52

BENCHMARK_MAIN();
