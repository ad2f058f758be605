// The program's operations against tk52sim on a pseudo-terminal, through the same headless
// front end tk52cli uses: the real serial port, the real reader thread, the real clock.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "headless.h"
#include "platform/text_1251.h"
#include "simulator.h"

namespace tk52 {
namespace {

using namespace std::chrono_literals;
using cli::HeadlessConfigurator;

class OperationsTest : public ::testing::Test {
 protected:
  void start(const std::vector<std::string>& args) {
    sim_ = test::Simulator::start(args);
    ASSERT_NE(sim_, nullptr);
    front_.configurator->select_port({.name = sim_->port()});
  }

  Configurator& c() { return *front_.configurator; }
  ConfigurationOperations& configuration() { return *front_.configuration_operations; }
  MonitoringOperations& monitoring() { return *front_.monitoring_operations; }

  void connect_at(int position) {
    front_.configuration.speed = position;
    c().dispatch(OperationCode::kConnect);
    front_.pump();
  }

  // The traffic log so far, as UTF-8 lines.
  std::vector<std::string> log() {
    front_.log_lines.flush();
    std::lock_guard lock(log_mutex_);
    return log_;
  }
  std::vector<std::string> raw_log() {
    front_.log_lines.flush();
    std::lock_guard lock(log_mutex_);
    return raw_log_;
  }
  std::size_t count_lines(const std::string& needle) {
    std::size_t n = 0;
    for (const std::string& line : log())
      n += line.find(needle) != std::string::npos;
    return n;
  }

  std::mutex log_mutex_;
  std::vector<std::string> log_;
  std::vector<std::string> raw_log_;
  HeadlessConfigurator front_{[this](const std::string& line) {
    std::lock_guard lock(log_mutex_);
    raw_log_.push_back(line);
    log_.push_back(cp1251_to_utf8(line));
  }};
  std::unique_ptr<test::Simulator> sim_;
};

TEST_F(OperationsTest, ConnectIdentifiesEachModelAndAppliesItsRules) {
  struct {
    const char* model;
    int type;  // the model type's number
    const char* shown;
    bool none_item;
    bool utc_enabled;
    bool pps_enabled;
    int satellite_selection;
  } cases[] = {
      {"TK-52.00", 1, "ТК-52.00", false, true, false, 0},
      {"TK-52.01", 2, "ТК-52.01", false, true, false, 2},
      {"TK-52.A", 3, "ТК-52.A ", true, false, true, 1},
      {"TK-53", 4, "ТК-53", true, false, true, 1},
  };
  for (const auto& m : cases) {
    SCOPED_TRACE(m.model);
    sim_.reset();
    start({"--model", m.model});
    connect_at(6);
    ASSERT_TRUE(c().connected());
    EXPECT_EQ(model_number(c().protocol().model_type()), m.type);
    EXPECT_EQ(front_.configuration.identity[0], m.shown);
    EXPECT_EQ(front_.configuration.has_satellite_none_item(), m.none_item);
    // The model rules run after the connected-state update: on type 2 the satellite list ends
    // disabled by the update, the UTC list enabled by the rules.
    EXPECT_EQ(front_.configuration.is_enabled(ConfigControl::kSatelliteSystems), m.type != 2);
    EXPECT_EQ(front_.configuration.is_enabled(ConfigControl::kUtcReference), m.utc_enabled);
    EXPECT_EQ(front_.configuration.is_enabled(ConfigControl::kPpsSource), m.pps_enabled);
    EXPECT_EQ(front_.configuration.is_enabled(ConfigControl::kPpsWidth), m.pps_enabled);
    // The configuration reply filled the lists (the simulator starts at its model's defaults).
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kTimeStampFormat), 2);
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kSatelliteSystems),
              m.satellite_selection);
    EXPECT_TRUE(front_.configuration.connect_caption_connected);
    EXPECT_FALSE(front_.shell.port_command_enabled);
    EXPECT_EQ(front_.shell.connection_text, "Соединение: " + sim_->port() + ", 115200, 8N1");
    EXPECT_TRUE(c().sync_available());
    ASSERT_EQ(front_.settings.saved.size(), 1u);
    EXPECT_EQ(front_.settings.saved[0].port_name, sim_->port());
    EXPECT_EQ(front_.settings.saved[0].speed_position, 6);
    EXPECT_TRUE(front_.shell.messages.empty());

    c().dispatch(OperationCode::kConnect);  // disconnect
    EXPECT_FALSE(c().connected());
    EXPECT_EQ(front_.shell.connection_text, "Нет соединения");
    EXPECT_EQ(front_.configuration.identity[0], "");
    EXPECT_TRUE(front_.shell.port_command_enabled);
    front_.settings.saved.clear();
  }
  // Each simulator had a line of its own; the exact text is checked in the traffic log test.
  EXPECT_EQ(count_lines("Установлено соединение по "), 4u);
  EXPECT_EQ(count_lines("Соединение разорвано. Всего предложений принято: "), 4u);
}

TEST_F(OperationsTest, TrafficLogLinesAreExactWindows1251Bytes) {
  start({"--model", "TK-52.00", "--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  c().dispatch(OperationCode::kConnect);
  // Lines from the reader thread and from the operation interleave in the order they were
  // handed over, so each is looked up by its content.
  const std::vector<std::string> lines = raw_log();
  ASSERT_EQ(lines.size(), 6u);
  auto find = [&](const std::string& tail) -> std::string {
    for (const std::string& line : lines) {
      if (line.size() >= tail.size() &&
          line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
        return line;
      }
    }
    ADD_FAILURE() << "no line ends in " << tail;
    return std::string(40, '?');
  };
  // " [DD.MM.YYYY-hh:mm:ss:mmm] <<< $PKEXI*4F\r\n": 31 bytes of prefix, then the sentence.
  auto has_prefix = [](const std::string& line, char marker, char open, char close,
                       const char* direction) {
    if (line.size() < 27 || line[0] != marker || line[1] != open || line[25] != close) {
      return false;
    }
    for (int i : {2, 3, 5, 6, 8, 9, 10, 11, 13, 14, 16, 17, 19, 20, 22, 23, 24}) {
      if (line[static_cast<std::size_t>(i)] < '0' || line[static_cast<std::size_t>(i)] > '9') {
        return false;
      }
    }
    return line[4] == '.' && line[7] == '.' && line[12] == '-' && line[15] == ':' &&
           line[18] == ':' && line[21] == ':' &&
           line.compare(26, std::strlen(direction), direction) == 0;
  };
  for (const char* sent : {"$PKEXI*4F\r\n", "$PKEXC*45\r\n"}) {
    const std::string line = find(sent);
    EXPECT_TRUE(has_prefix(line, ' ', '[', ']', " <<< ")) << line;
    EXPECT_EQ(line.substr(31), sent);
  }
  // The clock reports its own time format 0.
  for (const char* received : {"$PKEXI,TK-52.00,01,V1.23*31\r\n", "$PKEXC,0,1,2,0*46\r\n"}) {
    const std::string line = find(received);
    EXPECT_TRUE(has_prefix(line, ' ', '[', ']', " >>> ")) << line;
    EXPECT_EQ(line.substr(31), received);
  }
  // Event lines: " <DD.MM.YYYY-hh:mm:ss:mmm> " and the Windows-1251 text, no line end.
  const std::string connected =
      utf8_to_cp1251("Установлено соединение по " + sim_->port() + " на скорости 115200 бит/с");
  const std::string disconnected =
      utf8_to_cp1251("Соединение разорвано. Всего предложений принято: 2 (из них плохих: 0)");
  for (const std::string& text : {connected, disconnected}) {
    const std::string line = find(text);
    EXPECT_TRUE(has_prefix(line, ' ', '<', '>', " ")) << line;
    EXPECT_EQ(line.size(), 27 + text.size());
  }
}

TEST_F(OperationsTest, NoPortSelected) {
  for (const OperationCode operation : {OperationCode::kConnect, OperationCode::kFindDevice}) {
    front_.shell.messages.clear();
    c().dispatch(operation);
    ASSERT_EQ(front_.shell.messages.size(), 1u);
    EXPECT_EQ(front_.shell.messages[0].title, "Внимание!");
    EXPECT_EQ(front_.shell.messages[0].text, "Порт для подключения не выбран.");
    EXPECT_EQ(front_.shell.messages[0].icon, MessageIcon::kInformation);
  }
}

TEST_F(OperationsTest, UnopenablePortShowsThePortMessage) {
  c().select_port({.name = "/nonexistent/ttyS9"});
  connect_at(6);
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Ошибка!");
  // The program's text first, then the port's name and the system's reason, also in the log.
  const std::string reason =
      "Устройства /nonexistent/ttyS9 нет (адаптер отключён или имя неверно).";
  EXPECT_EQ(front_.shell.messages[0].text, "Не удалось открыть порт.\n" + reason);
  EXPECT_EQ(count_lines("Не удалось открыть порт. /nonexistent/ttyS9: " + reason), 1u);
  EXPECT_TRUE(front_.settings.saved.empty());
}

struct FailingClock {
  const char* legend;
  std::vector<std::string> args;
  std::size_t identification_requests;
  std::size_t configuration_requests;
};

TEST_F(OperationsTest, ConnectFailsAndClosesThePort) {
  const FailingClock cases[] = {
      {"a silent clock", {"--fault", "silent"}, 3, 0},
      {"a clock that answers only identification", {"--fault", "ident-only"}, 1, 3},
      {"a clock whose checksums are wrong", {"--fault", "bad-checksum"}, 3, 0},
      {"a clock at another speed", {"--baud", "9600"}, 3, 0},
  };
  for (const FailingClock& f : cases) {
    SCOPED_TRACE(f.legend);
    sim_.reset();
    front_.shell.messages.clear();
    std::vector<std::string> args = {"--time-format", "0"};
    args.insert(args.end(), f.args.begin(), f.args.end());
    start(args);
    const std::size_t ident_before = count_lines("<<< $PKEXI*4F");
    const std::size_t config_before = count_lines("<<< $PKEXC*45");
    connect_at(6);
    EXPECT_FALSE(c().connected());
    EXPECT_FALSE(c().port().is_open());
    ASSERT_EQ(front_.shell.messages.size(), 1u);
    EXPECT_EQ(front_.shell.messages[0].title, "Соединение не установлено.");
    EXPECT_EQ(front_.shell.messages[0].text,
              "Не удалось обнаружить устройство ТК на " + sim_->port() + ".");
    EXPECT_EQ(count_lines("<<< $PKEXI*4F") - ident_before, f.identification_requests);
    EXPECT_EQ(count_lines("<<< $PKEXC*45") - config_before, f.configuration_requests);
    EXPECT_EQ(front_.shell.status, "");
    // The settings are written as soon as the port opened.
    EXPECT_FALSE(front_.settings.saved.empty());
    // An identification that came before the failure is no identity beside "Нет соединения".
    front_.pump();
    EXPECT_EQ(front_.configuration.identity, (std::array<std::string, 3>{}));
  }
}

TEST_F(OperationsTest, FindDeviceScansUpToTheClocksSpeed) {
  start({"--baud", "115200", "--time-format", "0"});
  c().dispatch(OperationCode::kFindDevice);
  front_.pump();
  ASSERT_TRUE(c().connected());
  EXPECT_EQ(front_.configuration.speeds_shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(front_.configuration.speed, 6);
  EXPECT_EQ(c().port().speed(), 115200);
  EXPECT_TRUE(front_.settings.saved.empty());  // a found speed is not remembered
  // Running it again while connected changes nothing.
  c().dispatch(OperationCode::kFindDevice);
  EXPECT_TRUE(c().connected());
  EXPECT_EQ(front_.configuration.speeds_shown.size(), 7u);
}

TEST_F(OperationsTest, FindDeviceThatNeverAnswersConfigurationEndsAtTheFirstSpeed) {
  start({"--baud", "4800", "--time-format", "0", "--fault", "ident-only"});
  c().dispatch(OperationCode::kFindDevice);
  EXPECT_FALSE(c().connected());
  EXPECT_EQ(front_.configuration.speed, 0);
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Соединение не установлено.");
}

TEST_F(OperationsTest, ChangeSpeedSwitchesClockAndPort) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  front_.configuration.speed = 2;  // 9600
  c().dispatch(OperationCode::kChangeSpeed);
  EXPECT_TRUE(front_.shell.messages.empty());
  EXPECT_EQ(c().port().speed(), 9600);
  EXPECT_EQ(front_.shell.connection_text, "Соединение: " + sim_->port() + ", 9600, 8N1");
  EXPECT_EQ(count_lines("<<< $PKEXR,3*"), 3u);  // once at the old speed, twice to confirm
  EXPECT_EQ(count_lines("Установлена скорость передачи данных - 9600 бит/с"), 1u);
  // The link works at the new speed.
  c().dispatch(OperationCode::kRequestInfo);
  EXPECT_TRUE(front_.shell.messages.empty());
}

TEST_F(OperationsTest, FailedConfirmationRollsThePortBack) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  // The clock takes the change, then loses its next reply: the first confirmation fails.
  ASSERT_EQ(sim_->command("fault drop=2").rfind("tk52sim: ok", 0), 0u);
  front_.configuration.speed = 4;
  c().dispatch(OperationCode::kChangeSpeed);
  EXPECT_EQ(c().port().speed(), 115200);
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Операция прошла неудачно.");
  EXPECT_EQ(front_.shell.messages[0].text, "Не удалось изменить скорость передачи данных.");
  EXPECT_EQ(front_.configuration.speed, 4);  // the list keeps the new selection
}

TEST_F(OperationsTest, ConfigurationWriteFollowsTheModelsLayout) {
  struct {
    const char* model;
    const char* request;
  } cases[] = {
      {"TK-52.00", "<<< $PKEXC,3,3,1,1*"},
      {"TK-52.01", "<<< $PKEXC,3,3,1,1*"},
      {"TK-52.A", "<<< $PKEXC,3,3,1,1,1,007*"},
      {"TK-53", "<<< $PKEXC,3,3,1,1,1,007*"},
  };
  for (const auto& m : cases) {
    SCOPED_TRACE(m.model);
    sim_.reset();
    start({"--model", m.model, "--time-format", "0"});
    connect_at(6);
    ASSERT_TRUE(c().connected());
    const bool pps = has_pps_fields(c().protocol().model_type());
    front_.configuration.select(ConfigControl::kTimeStampFormat, 3);
    // "GPS" is the last item: position 2 without "Отсутствует", 3 with it; digit 3 either way.
    front_.configuration.select(ConfigControl::kSatelliteSystems, pps ? 3 : 2);
    front_.configuration.select(ConfigControl::kUtcReference, 0);
    front_.configuration.select(ConfigControl::kHeating, 1);
    front_.configuration.select(ConfigControl::kPpsSource, 1);
    front_.configuration.pps_width = "7";
    const char* written =
        "Записана конфигурация \"Метка времени: <ТК-52 (UNIX)>, СНС: <GPS>, UTC: <UTC (SU)>, "
        "Обогрев: <Вкл.>\".";
    const std::size_t requests_before = count_lines(m.request);
    const std::size_t written_before = count_lines(written);
    c().dispatch(OperationCode::kWriteConfiguration);
    front_.pump();
    EXPECT_TRUE(front_.shell.messages.empty());
    EXPECT_EQ(count_lines(m.request) - requests_before, 1u);
    EXPECT_EQ(count_lines(written) - written_before, 1u);
    EXPECT_TRUE(c().sync_available());
    // Read back: the clock kept it.
    front_.configuration.select(ConfigControl::kTimeStampFormat, 0);
    c().dispatch(OperationCode::kReadConfiguration);
    front_.pump();
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kTimeStampFormat), 3);
    // Types 1 and 2 have no PPS fields; their reply leaves the width 0.
    EXPECT_EQ(front_.configuration.pps_width, pps ? "7" : "0");
    c().dispatch(OperationCode::kConnect);
  }
}

TEST_F(OperationsTest, DefaultsPerModel) {
  struct {
    const char* model;
    int satellites;
    int pps_source;
    const char* width;
  } cases[] = {
      {"TK-52.00", 0, 0, "55"},
      {"TK-52.01", 2, 0, "55"},
      {"TK-52.A", 1, 2, "100"},
      {"TK-53", 1, 2, "100"},
  };
  for (const auto& m : cases) {
    SCOPED_TRACE(m.model);
    sim_.reset();
    start({"--model", m.model, "--time-format", "0"});
    connect_at(6);
    ASSERT_TRUE(c().connected());
    front_.configuration.pps_width = "55";
    configuration().apply_defaults();
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kTimeStampFormat), 2);
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kSatelliteSystems), m.satellites);
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kUtcReference), 1);
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kHeating), 0);
    EXPECT_EQ(front_.configuration.selection(ConfigControl::kPpsSource), m.pps_source);
    EXPECT_EQ(front_.configuration.pps_width, m.width);
    c().dispatch(OperationCode::kConnect);
  }
}

TEST_F(OperationsTest, RejectedWriteShowsTheClocksCode) {
  start({"--model", "TK-52.A", "--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  front_.configuration.pps_width = "0";  // the clock takes 1..400
  c().dispatch(OperationCode::kWriteConfiguration);
  front_.pump();
  // A result-code reply completes the write; the code is shown as a warning.
  EXPECT_EQ(count_lines("Записана конфигурация"), 1u);
  EXPECT_EQ(front_.monitoring.fields[InfoField::kSelfTestCode], "E8");
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Результат самодиагностики");
  EXPECT_EQ(front_.shell.messages[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(front_.shell.messages[0].text.rfind("Код самодиагностики - E8.\r\n", 0), 0u);
}

TEST_F(OperationsTest, ExtraInformationFields) {
  start({"--model", "TK-52.00", "--time-format", "0", "--lat", "5545.0012N", "--alt", "-0.5"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  c().dispatch(OperationCode::kRequestInfo);
  front_.pump();
  auto& f = front_.monitoring.fields;
  EXPECT_EQ(f[InfoField::kSatellites], "8");
  EXPECT_EQ(f[InfoField::kTemperature], "23");
  EXPECT_EQ(f[InfoField::kHeating], "Да");
  EXPECT_EQ(f[InfoField::kStatus], "A");
  EXPECT_EQ(f[InfoField::kLatitude], "N  55° 45.0012");
  EXPECT_EQ(f[InfoField::kLongitude], "E  37° 37.5000");
  EXPECT_EQ(f[InfoField::kAltitude], "-0.5");
  EXPECT_TRUE(front_.monitoring.fields_enabled[InfoField::kLatitude]);

  ASSERT_EQ(sim_->command("status V").rfind("tk52sim: ok", 0), 0u);
  c().dispatch(OperationCode::kRequestInfo);
  front_.pump();
  EXPECT_EQ(f[InfoField::kSatellites], "0");
  EXPECT_EQ(f[InfoField::kStatus], "V");
  EXPECT_FALSE(front_.monitoring.fields_enabled[InfoField::kLatitude]);
  EXPECT_FALSE(front_.monitoring.fields_enabled[InfoField::kAltitude]);

  c().dispatch(OperationCode::kConnect);
  EXPECT_EQ(f[InfoField::kSatellites], "");
  EXPECT_EQ(f[InfoField::kLatitude], "");
}

TEST_F(OperationsTest, SelfDiagnostic) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  c().dispatch(OperationCode::kRequestSelfTest);
  front_.pump();
  EXPECT_EQ(front_.monitoring.fields[InfoField::kSelfTestCode], "OK");
  EXPECT_TRUE(front_.shell.messages.empty());
  EXPECT_EQ(count_lines("Получен код самодиагностики (OK): Шибок не обнаружено. Радиочасы готовы "
                        "к работе."),
            1u);

  ASSERT_EQ(sim_->command("diag 4").rfind("tk52sim: ok", 0), 0u);
  c().dispatch(OperationCode::kRequestSelfTest);
  front_.pump();
  EXPECT_EQ(front_.monitoring.fields[InfoField::kSelfTestCode], "E4");
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].text,
            "Код самодиагностики - E4.\r\nНет данных от приемного модуля.");
  EXPECT_EQ(count_lines("Получен код самодиагностики (E4): Нет данных от приемного модуля."), 1u);
}

TEST_F(OperationsTest, UnsolicitedDeviceErrorIsReported) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  ASSERT_EQ(sim_->command("pkexe 02").rfind("tk52sim: ok", 0), 0u);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (front_.shell.messages.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
    front_.pump();
  }
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Неверное значение параметра!");
}

TEST_F(OperationsTest, CountersCountGoodAndBadSentences) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  ASSERT_EQ(sim_->command("fault bad-checksum").rfind("tk52sim: ok", 0), 0u);
  c().dispatch(OperationCode::kRequestInfo);
  EXPECT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].text, "Контрольная сумма не совпала.");
  // The reader counts a reply just after handing it over: wait for the third to be counted.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (c().protocol().counters().bad < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  const SentenceCounters after = c().protocol().counters();
  EXPECT_EQ(after.bad, 3u);
  EXPECT_EQ(after.good, 2u);  // identification and configuration
  EXPECT_EQ(count_lines("x["), 3u);
  EXPECT_GT(front_.notifications.redraws(), 0);
}

TEST_F(OperationsTest, PeriodicPollFollowsTheTimeSentences) {
  start({"--time-format", "2"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  front_.monitoring.periodic = true;
  monitoring().periodic_info_clicked();
  EXPECT_TRUE(monitoring().poller().running());
  EXPECT_FALSE(front_.monitoring.is_enabled(MonitoringControl::kRequestInfo));
  // One request per three time sentences: wait for two polls.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (monitoring().poller().requests() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_GE(monitoring().poller().requests(), 2);
  front_.pump();
  EXPECT_EQ(front_.monitoring.fields[InfoField::kSatellites], "8");
  // Three time sentences per request.
  std::size_t times = 0, polls = 0;
  for (const std::string& line : log()) {
    times += line.find(">>> $PKEXT") != std::string::npos;
    polls += line.find("<<< $PKEXS*55") != std::string::npos;
  }
  EXPECT_GE(times, 3 * (polls - 1));
  front_.monitoring.periodic = false;
  monitoring().periodic_info_clicked();
  EXPECT_FALSE(monitoring().poller().running());
  EXPECT_TRUE(front_.monitoring.is_enabled(MonitoringControl::kRequestInfo));
}

TEST_F(OperationsTest, PeriodicPollAsksAfterThreeSecondsOfSilenceAndStopsPromptly) {
  start({"--time-format", "0"});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  front_.monitoring.periodic = true;
  monitoring().periodic_info_clicked();
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (monitoring().poller().requests() < 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(monitoring().poller().requests(), 1);
  monitoring().poller().stop();
  EXPECT_FALSE(monitoring().poller().running());
}

}  // namespace
}  // namespace tk52

namespace tk52 {
namespace {

// The line hangs up as when a USB adapter is pulled out: one read error line, the port closed,
// the disconnected state and the message, instead of an error line ten times a second.
TEST_F(OperationsTest, ALineThatHangsUpDisconnectsWithAMessage) {
  start({});
  connect_at(6);
  ASSERT_TRUE(c().connected());
  ASSERT_EQ(sim_->command("hangup 5000").rfind("tk52sim: ok", 0), 0u);
  ASSERT_TRUE(front_.pump_until([&] { return !c().connected(); }, 10s));
  EXPECT_FALSE(c().port().is_open());
  EXPECT_FALSE(front_.configuration.connect_caption_connected);
  ASSERT_EQ(front_.shell.messages.size(), 1u);
  EXPECT_EQ(front_.shell.messages[0].title, "Соединение разорвано.");
  EXPECT_EQ(front_.shell.messages[0].text, "Устройство отключено от порта " + sim_->port() + ".");
  EXPECT_EQ(count_lines("Ошибка чтения ("), 1u);
  EXPECT_EQ(count_lines("Соединение разорвано. Всего предложений принято"), 1u);
}

}  // namespace
}  // namespace tk52
