// The synchronisation's decisions, displays and control states, with an injected tick count,
// time zone, clock setter and timer. The watchdog is the real one on the real 1200 ms.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "pages/sync/time_sync.h"
#include "sync_fakes.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using test::FakeClock;
using test::FixedOffsetZone;
using test::ManualTimer;
using test::MemoryLog;
using test::RecordingSetter;
using test::RecordingSyncView;

CalendarTime at(int year, int month, int day, int hour, int minute, int second, int ms) {
  auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u16(year), u16(month), 0, u16(day), u16(hour), u16(minute), u16(second), u16(ms)};
}

TimeRecord record_of(const CalendarTime& t) {
  return {t.year, t.month, 0, t.day, t.hour, t.minute, t.second, t.milliseconds, 'A'};
}

// 17 May 2024 07:00 UTC; the PC's zone is UTC+3.
constexpr int kZoneHours = 3;

// One synchronisation with everything it is given, connected to a clock that sends "ТК-52".
struct Rig {
  Rig() {
    sync.on_connected_changed(true);
    sync.on_sync_availability(true);
  }

  // A valid time sentence, as the protocol hands it on: the semaphore first, then the sentence.
  void sentence(const CalendarTime& utc, const CalendarTime& pc_local, std::uint32_t dollar_tick) {
    time_valid.release();
    sync.on_time(record_of(utc), pc_local, dollar_tick);
  }
  // The next second's sentence, the PC `difference_ms` (under a second either way) ahead.
  void sentence(int difference_ms = 0) {
    CalendarTime pc = at(2024, 5, 17, 7 + kZoneHours, 0, second, 0);
    if (difference_ms < 0) {
      pc.second = static_cast<std::uint16_t>(pc.second - 1);
      difference_ms += 1000;
    }
    pc.milliseconds = static_cast<std::uint16_t>(difference_ms);
    sentence(at(2024, 5, 17, 7, 0, second, 0), pc, 0);
    ++second;
  }

  void check_automatic(bool checked, SyncMode radio = SyncMode::kPeriodic) {
    view.automatic = checked;
    view.radio = radio;
    sync.automatic_clicked();
  }

  std::size_t log_count(const std::string& text) {
    std::size_t n = 0;
    for (const std::string& line : log_lines.lines())
      n += line.find(text) != std::string::npos;
    return n;
  }

  RecordingSyncView view;
  Semaphore time_valid{0, 1};
  MemoryLog log_lines;
  TrafficLog log{log_lines};
  FakeClock clock;
  FixedOffsetZone zone{std::chrono::hours(kZoneHours)};
  RecordingSetter setter;
  ManualTimer::State timer;
  TimeSync sync{{view, time_valid, log, clock, zone, setter, std::make_unique<ManualTimer>(timer)}};
  // Starts at 1 so that a PC one second behind stays within the minute.
  int second = 1;
};

TEST(TimeSync, DecidesByModeAfterThreeValidSentences) {
  const struct {
    const char* legend;
    std::function<void(Rig&)> before;
    std::vector<int> differences;
    bool sets_clock;
  } cases[] = {
      {"manual mode without a request", [](Rig&) {}, {900, 900, 900}, false},
      {"manual request", [](Rig& r) { r.sync.synchronise_now(); }, {5, 5, 5}, true},
      {"manual request, two sentences", [](Rig& r) { r.sync.synchronise_now(); }, {5, 5}, false},
      {"threshold 30, 29 ms",
       [](Rig& r) { r.check_automatic(true, SyncMode::kThreshold); },
       {29, 29, 29},
       false},
      {"threshold 30, 30 ms",
       [](Rig& r) { r.check_automatic(true, SyncMode::kThreshold); },
       {30, 30, 30},
       true},
      {"threshold 30, PC 30 ms behind",
       [](Rig& r) { r.check_automatic(true, SyncMode::kThreshold); },
       {-30, -30, -30},
       true},
      {"threshold 30, 30 ms at the second sentence only",
       [](Rig& r) { r.check_automatic(true, SyncMode::kThreshold); },
       {0, 30},
       false},
      {"periodic before its tick", [](Rig& r) { r.check_automatic(true); }, {900, 900, 900}, false},
      {"periodic after its tick",
       [](Rig& r) {
         r.check_automatic(true);
         r.timer.tick();
       },
       {0, 0, 0},
       true},
      {"a tick once automatic synchronisation is off",
       [](Rig& r) {
         r.check_automatic(true);
         r.check_automatic(false);
         r.timer.tick();
       },
       {0, 0, 0},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    Rig rig;
    c.before(rig);
    for (int difference : c.differences)
      rig.sentence(difference);
    EXPECT_EQ(rig.setter.set().size(), c.sets_clock ? 1u : 0u);
  }
}

TEST(TimeSync, ShowsTheClockThePcAndTheirDifference) {
  const struct {
    const char* legend;
    CalendarTime utc;
    CalendarTime pc_local;
    test::ShownTimes shown;
  } cases[] = {
      {"PC 1.5 s ahead",
       at(2024, 5, 17, 7, 0, 0, 0),
       at(2024, 5, 17, 10, 0, 1, 500),
       {"07:00:00.000", "10:00:01.500", "+1.500"}},
      {"PC 1.5 s behind",
       at(2024, 5, 17, 7, 0, 0, 0),
       at(2024, 5, 17, 9, 59, 58, 500),
       {"07:00:00.000", "09:59:58.500", "-1.500"}},
      {"local date a day later",
       at(2024, 12, 31, 22, 30, 0, 990),
       at(2025, 1, 1, 1, 30, 0, 990),
       {"22:30:00.990", "01:30:00.990", "0.000"}},
      {"PC two hours behind",
       at(2024, 5, 17, 7, 0, 0, 0),
       at(2024, 5, 17, 8, 0, 0, 0),
       {"07:00:00.000", "08:00:00.000", "-3599.999"}},
      {"a month the calendar has not",
       at(2024, 19, 17, 7, 0, 0, 0),
       at(2024, 5, 17, 10, 0, 0, 0),
       {"07:00:00.000", "10:00:00.000", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    Rig rig;
    rig.sentence(c.utc, c.pc_local, 0);
    const test::ShownTimes shown = rig.view.last_shown();
    EXPECT_EQ(shown.utc, c.shown.utc);
    EXPECT_EQ(shown.pc, c.shown.pc);
    EXPECT_EQ(shown.difference, c.shown.difference);
  }
}

TEST(TimeSync, ATimeOutsideTheCalendarDoesNotCountTowardTheValidRun) {
  Rig rig;
  rig.sync.synchronise_now();
  rig.sentence();
  rig.sentence();
  rig.sentence(at(2024, 19, 17, 7, 0, 3, 0), at(2024, 5, 17, 10, 0, 3, 0), 0);
  EXPECT_TRUE(rig.setter.set().empty());
  rig.sentence();
  EXPECT_EQ(rig.setter.set().size(), 1u);
}

TEST(TimeSync, SetsTheClocksTimePlusTheLatencySinceTheDollar) {
  const struct {
    const char* legend;
    CalendarTime utc;
    std::uint32_t dollar_tick;
    std::uint32_t now_tick;
    CalendarTime set;
  } cases[] = {
      {"28 February of a leap year, 20 ms", at(2024, 2, 28, 23, 59, 59, 990), 5000, 5020,
       at(2024, 2, 29, 0, 0, 0, 10)},
      {"the tick count wraps in between", at(2024, 5, 17, 7, 0, 0, 0), 0xFFFF'FFF0u, 4,
       at(2024, 5, 17, 7, 0, 0, 20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    Rig rig;
    rig.sync.synchronise_now();
    rig.sentence();
    rig.sentence();
    rig.clock.tick = c.now_tick;
    // The PC's local time is the clock's: no difference.
    rig.sentence(c.utc, *rig.zone.to_local(c.utc), c.dollar_tick);
    ASSERT_EQ(rig.setter.set().size(), 1u);
    EXPECT_EQ(rig.setter.set()[0], c.set);
  }
}

TEST(TimeSync, ASynchronisationShowsItsStatusLogsAndClearsTheRequest) {
  Rig rig;
  rig.sync.synchronise_now();
  for (int i = 0; i < 4; ++i)
    rig.sentence(700);
  ASSERT_EQ(rig.setter.set().size(), 1u);
  const std::vector<RecordingSyncView::Status> statuses = rig.view.statuses();
  ASSERT_EQ(statuses.size(), 3u);
  // The button's text is sent; the reader thread only posts.
  EXPECT_EQ(statuses[0].text, "Синхронизация...");
  EXPECT_TRUE(statuses[0].synchronous);
  EXPECT_EQ(statuses[1].text, "Синхронизация...");
  EXPECT_FALSE(statuses[1].synchronous);
  EXPECT_EQ(statuses[2].text, "");
  EXPECT_FALSE(statuses[2].synchronous);
  // Stamped with the UTC time just set: 07:00:03 from the third sentence.
  const std::vector<std::string> lines = rig.log_lines.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], " <17.05.2024-07:00:03:000> Произведена синхронизация");
}

TEST(TimeSync, ARequestMadeWhileTheClockIsBeingSetIsKept) {
  Rig rig;
  bool clicked = false;
  rig.setter.when_set([&](const CalendarTime&) {
    if (!clicked) {
      clicked = true;
      rig.sync.synchronise_now();
    }
  });
  rig.sync.synchronise_now();
  for (int i = 0; i < 4; ++i)
    rig.sentence();
  EXPECT_EQ(rig.setter.set().size(), 2u);
}

TEST(TimeSync, AFailedClockSettingIsLoggedAsAFailure) {
  Rig rig;
  rig.setter.error = 1314;
  rig.sync.synchronise_now();
  for (int i = 0; i < 4; ++i)
    rig.sentence(700);
  EXPECT_EQ(rig.setter.set().size(), 1u);
  EXPECT_EQ(rig.log_count("Произведена синхронизация"), 0u);
  EXPECT_EQ(rig.log_count("Не удалось установить время ПК (1314)."), 1u);
  EXPECT_EQ(rig.view.statuses().back().text, "");
}

// The watchdog's pause is the real 1200 ms: these wait for it, each wait bounded by seconds.
// The pause ends with the cleared status, so the wait is for all three of its effects: the
// button disabled, the times cleared and the cleared status last. (Not for a count of statuses
// taken after the sentence: on a loaded machine the pause may come before that count.)
bool wait_for_pause(Rig& rig) {
  return rig.view.wait_until([&] {
    const test::ShownTimes* shown = rig.view.last_shown_locked();
    const std::vector<RecordingSyncView::Status>& statuses = rig.view.statuses_locked();
    return !rig.view.manual_enabled_locked() && shown != nullptr && shown->utc.empty() &&
           !statuses.empty() && statuses.back().text.empty() && statuses.back().synchronous;
  });
}

TEST(TimeSync, TheManualButtonFollowsTheTimeSentences) {
  Rig rig;
  EXPECT_FALSE(rig.view.manual_enabled());
  rig.sentence();
  ASSERT_TRUE(rig.view.wait_until([&] { return rig.view.manual_enabled_locked(); }));
  ASSERT_TRUE(wait_for_pause(rig));
  const std::vector<RecordingSyncView::Status> statuses = rig.view.statuses();
  ASSERT_FALSE(statuses.empty());
  const RecordingSyncView::Status cleared = statuses.back();
  EXPECT_EQ(cleared.text, "");
  EXPECT_TRUE(cleared.synchronous);
}

TEST(TimeSync, APauseResetsTheValidRun) {
  Rig rig;
  rig.sentence();
  rig.sentence();
  ASSERT_TRUE(rig.view.wait_until([&] { return rig.view.manual_enabled_locked(); }));
  ASSERT_TRUE(wait_for_pause(rig));
  rig.sync.synchronise_now();
  rig.sentence();
  rig.sentence();
  EXPECT_TRUE(rig.setter.set().empty());
  rig.sentence();
  EXPECT_EQ(rig.setter.set().size(), 1u);
}

TEST(TimeSync, APauseClearsAManualRequest) {
  Rig rig;
  rig.sentence();
  ASSERT_TRUE(rig.view.wait_until([&] { return rig.view.manual_enabled_locked(); }));
  rig.sync.synchronise_now();
  ASSERT_TRUE(wait_for_pause(rig));
  for (int i = 0; i < 4; ++i)
    rig.sentence();
  EXPECT_TRUE(rig.setter.set().empty());
}

TEST(TimeSync, ControlsAndTimerFollowAvailabilityAndTheCheckBox) {
  Rig rig;
  EXPECT_TRUE(rig.view.automatic_box_enabled);
  EXPECT_FALSE(rig.view.mode_controls_enabled);

  rig.view.period = 5;
  rig.check_automatic(true);
  EXPECT_TRUE(rig.view.mode_controls_enabled);
  EXPECT_EQ(rig.sync.settings(), (SyncSettings{SyncMode::kPeriodic, 5000, 30}));
  EXPECT_TRUE(rig.timer.running);
  EXPECT_EQ(rig.timer.period, 5s);

  rig.sync.on_connected_changed(false);
  EXPECT_FALSE(rig.timer.running);
  EXPECT_FALSE(rig.view.automatic_box_enabled);
  EXPECT_FALSE(rig.view.mode_controls_enabled);
  EXPECT_FALSE(rig.view.manual_enabled());
  EXPECT_EQ(rig.view.last_shown().utc, "");

  // The checked radio button applies its mode again when it comes back.
  rig.sync.on_connected_changed(true);
  EXPECT_TRUE(rig.view.mode_controls_enabled);
  EXPECT_TRUE(rig.timer.running);

  rig.sync.set_period_seconds(7);
  EXPECT_EQ(rig.timer.period, 7s);

  rig.view.radio = SyncMode::kThreshold;
  rig.view.threshold = 45;
  rig.sync.threshold_selected();
  EXPECT_EQ(rig.sync.settings(), (SyncSettings{SyncMode::kThreshold, 7000, 45}));
  EXPECT_FALSE(rig.timer.running);

  rig.view.radio = SyncMode::kPeriodic;
  rig.sync.periodic_selected();
  EXPECT_TRUE(rig.timer.running);
  rig.timer.tick();
  EXPECT_EQ(rig.view.statuses().back().text, "Синхронизация...");
  EXPECT_FALSE(rig.view.statuses().back().synchronous);
  EXPECT_TRUE(rig.timer.running);

  // Off: manual mode, and the timer left running.
  rig.check_automatic(false);
  EXPECT_EQ(rig.sync.settings().mode, SyncMode::kManual);
  EXPECT_FALSE(rig.view.mode_controls_enabled);
  EXPECT_TRUE(rig.timer.running);

  rig.sync.on_sync_availability(false);
  EXPECT_FALSE(rig.view.automatic_box_enabled);
  EXPECT_FALSE(rig.timer.running);
}

TEST(TimeSync, TheCheckBoxKeepsTheManualButtonDisabled) {
  Rig rig;
  rig.check_automatic(true, SyncMode::kThreshold);
  rig.view.threshold = 5000;
  rig.sentence();
  // The pause shows that the watchdog has dealt with the sentence.
  ASSERT_TRUE(wait_for_pause(rig));
  for (bool enabled : rig.view.manual_history())
    EXPECT_FALSE(enabled);
}

}  // namespace
}  // namespace tk52
