#include "operations_cli.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

#include "cli_common.h"
#include "headless.h"
#include "json_writer.h"
#include "pages/configuration/configuration_profile.h"
#include "pages/journals/journal_export.h"
#include "pages/journals/journal_texts.h"
#include "pages/monitoring/self_test_texts.h"
#include "platform/text_1251.h"

namespace tk52::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
  g_interrupted.store(true);
}

// One device session: the headless configurator, its traffic log going to the log file and,
// when asked, to standard output.
class Session {
 public:
  Session(const GlobalOptions& options, bool echo_log)
      : options_(options),
        echo_log_(echo_log),
        front_([this](const std::string& line) { write_log_line(line); }) {
    if (!options.log_path.empty())
      log_opened_ = log_file_.open(options.log_path);
    front_.shell.on_message = [](const ShownMessage& m) { print_error("%s\n", m.text.c_str()); };
  }
  ~Session() { finish(kExitSuccess); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Disconnects, writes the rest of the traffic log and closes it. The command's exit code,
  // or a failure when the log or the output could not be written.
  int finish(int status) {
    if (!finished_) {
      finished_ = true;
      if (front_.configurator->connected()) {
        front_.connection_operations->connect_or_disconnect();
        front_.pump();
      }
      front_.log_lines.flush();
      log_file_.close();
    }
    if (log_file_.failed() || output_failed())
      return kExitFailure;
    return status;
  }

  bool log_file_failed() const { return !log_opened_; }
  void select_port() {
    if (!options_.port.empty()) {
      front_.configurator->select_port({.name = options_.port});
    }
  }

  // Connects; on a failure its message is printed and the exit code kept for exit_code().
  bool connect() {
    select_port();
    front_.configuration.speed = speed_index(options_.baud);
    const Outcome outcome = front_.connection_operations->connect_or_disconnect();
    front_.pump();
    connect_failure_ = report(outcome);
    return outcome.ok();
  }
  // The exit code of the failed connect.
  int connect_failure() const { return connect_failure_; }

  HeadlessConfigurator& front() { return front_; }
  Configurator& configurator() { return *front_.configurator; }

  // The decoded reply of a kind, as the last exchange left it in its slot.
  template <class Record>
  Record last_reply(SentenceKind kind) {
    ReplyPayload payload{};
    configurator().protocol().slots().take(kind, &payload, std::chrono::milliseconds{0});
    return load_record<Record>(payload);
  }

 private:
  void write_log_line(const std::string& line) {
    log_file_.write(line);
    if (echo_log_) {
      std::string text = cp1251_to_utf8(line);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
      print_line(text);
    }
  }

  GlobalOptions options_;
  bool echo_log_;
  CliLogFile log_file_;
  bool log_opened_ = true;
  bool finished_ = false;
  int connect_failure_ = kExitSuccess;
  HeadlessConfigurator front_;
};

std::string identity_json(const IdentificationRecord& id, DeviceModelType model) {
  return JsonObject()
      .add("model", std::string(id.model, strnlen(id.model, sizeof id.model)))
      .add("model_type", model_number(model))
      .add("hardware", std::string(id.hardware, strnlen(id.hardware, sizeof id.hardware)))
      .add("software", std::string(id.software, strnlen(id.software, sizeof id.software)))
      .str();
}

// The fields the model has: models 1 and 2 have no PPS fields, models 3 and 4 neither the UTC
// reference nor the heating, and what a model lacks is never shown as if it were set.
std::string configuration_json(DeviceModelType model, const ConfigurationPositions& c) {
  JsonObject json;
  json.add("model_type", model_number(model))
      .add("time_stamp_format", c.time_stamp_format)
      .add("satellite_systems", c.satellite_systems);
  if (has_pps_fields(model))
    json.add("pps_source", c.pps_source).add("pps_width", c.pps_width);
  else
    json.add("utc_reference", c.utc_reference).add("heating", c.heating);
  return json.str();
}

// The fields the model's write carries: models without the PPS fields never send them.
bool same_fields(DeviceModelType model, const ConfigurationPositions& a,
                 const ConfigurationPositions& b) {
  const bool common = a.time_stamp_format == b.time_stamp_format &&
                      a.satellite_systems == b.satellite_systems &&
                      a.utc_reference == b.utc_reference && a.heating == b.heating;
  if (!has_pps_fields(model))
    return common;
  return common && a.pps_source == b.pps_source && a.pps_width == b.pps_width;
}

int run_identify(Session& session) {
  if (!session.connect())
    return session.connect_failure();
  const auto id = session.last_reply<IdentificationRecord>(SentenceKind::kPkexi);
  print_line(identity_json(id, session.configurator().protocol().model_type()));
  return kExitSuccess;
}

std::string utc_now_iso() {
  const CalendarTime t = SystemClock::instance().utc_now();
  char text[64];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2dZ", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

// The profile file's text, or nothing (and a message) when it cannot be one.
std::optional<std::string> read_profile_text(const std::string& path) {
  ProfileFile file = read_profile_file(path);
  if (file.refusal.empty())
    return std::move(file.text);
  if (file.error)
    print_error("tk52cli: cannot read %s: %s\n", path.c_str(), file.error.message().c_str());
  else
    print_error("tk52cli: cannot read %s: %s\n", path.c_str(), file.refusal.c_str());
  return std::nullopt;
}

bool write_whole_file(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr && std::fclose(file) != 0)
    written = false;
  if (!written)
    print_error("tk52cli: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
  return written;
}

// "config save FILE": the clock's configuration, read now, as a profile.
int run_config_save(Session& session, const std::string& path) {
  if (!session.connect())
    return session.connect_failure();
  HeadlessConfigurator& front = session.front();
  const ConfigurationRead read = front.configuration_operations->read_configuration();
  front.pump();
  if (!read.outcome.ok())
    return report(read.outcome);
  const std::string profile = front.configuration_operations->save_profile(utc_now_iso());
  if (profile.empty())
    return report(
        {.code = result::kNotPerformed, .message = {.id = MessageId::kNoModelForProfile}});
  if (!write_whole_file(path, profile))
    return kExitFailure;
  const DeviceModelType model = session.configurator().protocol().model_type();
  print_line(JsonObject().add("saved", path).add("model_type", model_number(model)).str());
  return kExitSuccess;
}

// "config apply FILE": checked against the connected clock first, written only when it suits
// it, then read back; a field the clock did not take is reported and fails the command.
int run_config_apply(Session& session, const std::string& path) {
  const std::optional<std::string> text = read_profile_text(path);
  if (!text)
    return kExitFailure;
  if (!session.connect())
    return session.connect_failure();
  HeadlessConfigurator& front = session.front();
  ConfigurationOperations& operations = *front.configuration_operations;
  if (const Outcome loaded = operations.load_profile(*text); !loaded.ok())
    return report(loaded);
  const DeviceModelType model = session.configurator().protocol().model_type();
  const ConfigurationWrite write = operations.write_configuration();
  front.pump();
  if (!write.outcome.ok())
    return report(write.outcome);
  const ConfigurationPositions& written = write.sent;
  const ConfigurationRead read = operations.read_configuration();
  front.pump();
  if (!read.outcome.ok())
    return report(read.outcome);
  const ConfigurationPositions& held = read.held;
  struct Field {
    const char* name;
    int ConfigurationPositions::*value;
    bool present;
  };
  const bool pps = has_pps_fields(model);
  const Field fields[] = {
      {.name = "time_stamp_format",
       .value = &ConfigurationPositions::time_stamp_format,
       .present = true},
      {.name = "satellite_systems",
       .value = &ConfigurationPositions::satellite_systems,
       .present = true},
      {.name = "utc_reference", .value = &ConfigurationPositions::utc_reference, .present = !pps},
      {.name = "heating", .value = &ConfigurationPositions::heating, .present = !pps},
      {.name = "pps_source", .value = &ConfigurationPositions::pps_source, .present = pps},
      {.name = "pps_width", .value = &ConfigurationPositions::pps_width, .present = pps},
  };
  std::string not_taken;
  std::string not_taken_json = "[";
  for (const Field& f : fields) {
    if (!f.present || written.*f.value == held.*f.value)
      continue;
    not_taken += (not_taken.empty() ? "" : ", ") + std::string(f.name);
    if (not_taken_json.size() > 1)
      not_taken_json += ',';
    append_json_string(not_taken_json, f.name);
  }
  not_taken_json += ']';
  print_line(JsonObject()
                 .add("applied", path)
                 .add("model_type", model_number(model))
                 .add_raw("not_taken", not_taken_json)
                 .str());
  if (!not_taken.empty()) {
    print_error("tk52cli: the clock did not take %s\n", not_taken.c_str());
    return kExitFailure;
  }
  return kExitSuccess;
}

int run_config(Session& session, const std::vector<std::string_view>& args) {
  if (args.empty())
    return usage_error("config takes read, write, defaults, save FILE or apply FILE");
  const std::string_view action = args[0];
  if (action == "save" || action == "apply") {
    if (args.size() != 2 || args[1].empty() || args[1][0] == '-')
      return usage_error("config " + std::string(action) + " takes one FILE");
    const std::string path(args[1]);
    return action == "save" ? run_config_save(session, path) : run_config_apply(session, path);
  }
  struct FieldOption {
    std::string_view name;
    ConfigControl control;
    int max;
  };
  constexpr FieldOption kFields[] = {
      {.name = "--time-format", .control = ConfigControl::kTimeStampFormat, .max = 8},
      {.name = "--satellites", .control = ConfigControl::kSatelliteSystems, .max = 3},
      {.name = "--utc", .control = ConfigControl::kUtcReference, .max = 1},
      {.name = "--heating", .control = ConfigControl::kHeating, .max = 1},
      {.name = "--pps-source", .control = ConfigControl::kPpsSource, .max = 2},
      {.name = "--pps-width", .control = ConfigControl::kPpsWidth, .max = kPpsWidthMax},
  };
  struct Change {
    const FieldOption* field;
    int value;
  };
  std::vector<Change> changes;
  // Options come in pairs: a field's name and its value.
  for (std::size_t i = 1; i < args.size(); i += 2) {
    const FieldOption* field = nullptr;
    for (const FieldOption& f : kFields) {
      if (args[i] == f.name)
        field = &f;
    }
    if (action != "write" || field == nullptr)
      return usage_error("unknown option " + std::string(args[i]));
    int value = 0;
    const int lo = field->control == ConfigControl::kPpsWidth ? kPpsWidthMin : 0;
    if (i + 1 >= args.size() || !parse_number(args[i + 1], lo, field->max, value)) {
      return usage_error(std::string(field->name) + " takes a number from " + std::to_string(lo) +
                         " to " + std::to_string(field->max));
    }
    changes.push_back({.field = field, .value = value});
  }
  if (action != "read" && action != "write" && action != "defaults") {
    return usage_error("config takes read, write, defaults, save FILE or apply FILE, not " +
                       std::string(action));
  }

  if (!session.connect())
    return session.connect_failure();
  HeadlessConfigurator& front = session.front();
  const DeviceModelType model = session.configurator().protocol().model_type();
  if (action == "read") {
    const ConfigurationRead read = front.configuration_operations->read_configuration();
    front.pump();
    if (!read.outcome.ok())
      return report(read.outcome);
    print_line(configuration_json(model, read.held));
    return kExitSuccess;
  }
  // Every field is checked against the connected model before anything is sent.
  for (const Change& change : changes) {
    const ConfigControl control = change.field->control;
    const bool pps_field =
        control == ConfigControl::kPpsSource || control == ConfigControl::kPpsWidth;
    const bool utc_field =
        control == ConfigControl::kUtcReference || control == ConfigControl::kHeating;
    const std::string name(change.field->name);
    if ((pps_field && !has_pps_fields(model)) || (utc_field && has_pps_fields(model))) {
      return usage_error(name + ": the connected " + std::string(profile_model_name(model)) +
                         " has no such field; nothing was written");
    }
    // Models 1 and 2 have no "Отсутствует" in their satellite list: one position fewer.
    if (control == ConfigControl::kSatelliteSystems && !has_pps_fields(model) &&
        change.value > change.field->max - 1) {
      return usage_error(name + " takes a number from 0 to " +
                         std::to_string(change.field->max - 1) + " on the connected " +
                         std::string(profile_model_name(model)) + "; nothing was written");
    }
  }
  if (action == "defaults")
    front.configuration_operations->apply_defaults();
  for (const Change& change : changes) {
    if (change.field->control == ConfigControl::kPpsWidth) {
      front.configuration.set_pps_width(change.value);
    } else {
      front.configuration.select(change.field->control, change.value);
    }
  }
  const ConfigurationWrite write = front.configuration_operations->write_configuration();
  if (!write.outcome.ok())
    return report(write.outcome);
  const ConfigurationPositions& written = write.sent;
  const std::optional<int> code = write.device_code;
  front.pump();
  if (!code) {
    // The clock's answer to the write was lost behind a late one; what it holds now tells.
    // Late answers to the earlier queries may still be on their way and hold the old
    // configuration, so a read that disagrees is tried again, up to three reads in all.
    ConfigurationPositions read_back;
    bool taken = false;
    for (int attempt = 0; attempt < 3 && !taken; ++attempt) {
      const ConfigurationRead read = front.configuration_operations->read_configuration();
      front.pump();
      if (!read.outcome.ok())
        return report(read.outcome);
      read_back = read.held;
      taken = same_fields(model, read_back, written);
    }
    std::string json = configuration_json(model, written);
    json.pop_back();
    json += ",\"code\":null,\"read_back\":" + configuration_json(model, read_back) + "}";
    print_line(json);
    if (!taken)
      print_error("tk52cli: the clock holds another configuration than the one written\n");
    return taken ? kExitSuccess : kExitFailure;
  }
  std::string json = configuration_json(model, written);
  json.pop_back();
  json += ",\"code\":" + std::to_string(*code) + ",\"result\":";
  append_json_string(json, self_test_code_text(*code));
  json += "}";
  print_line(json);
  return *code == kDeviceCodeOk ? kExitSuccess : kExitFailure;
}

int run_find(Session& session) {
  session.select_port();
  // A person at a terminal sees each speed tried; a script's standard error stays clean.
  const bool progress = stream_is_terminal(stderr);
  if (progress) {
    session.front().configuration.on_speed = [](int position) {
      print_error("\rtk52cli: trying %d bit/s... ", kSpeeds[position]);
    };
  }
  const Outcome outcome = session.front().connection_operations->find_device();
  session.front().configuration.on_speed = nullptr;
  if (progress)
    print_error("\n");
  session.front().pump();
  if (!outcome.ok())
    return report(outcome);
  const int position = session.front().configuration.speed;
  print_line(JsonObject().add("baud", kSpeeds[position]).add("speed_index", position).str());
  return kExitSuccess;
}

int run_speed(Session& session, const std::vector<std::string_view>& args) {
  int baud = 0;
  if (args.size() != 2 || args[0] != "--to" || !parse_number(args[1], 1, 1000000, baud) ||
      speed_index(baud) < 0) {
    return usage_error("speed takes --to N, N one of 2400 4800 9600 19200 38400 57600 115200");
  }
  if (!session.connect())
    return session.connect_failure();
  session.front().configuration.speed = speed_index(baud);
  const Outcome outcome = session.front().connection_operations->change_speed();
  session.front().pump();
  if (!outcome.ok())
    return report(outcome);
  print_line(JsonObject().add("baud", baud).add("speed_index", speed_index(baud)).str());
  return kExitSuccess;
}

int run_info(Session& session) {
  if (!session.connect())
    return session.connect_failure();
  const InfoRead read = session.front().monitoring_operations->request_info();
  session.front().pump();
  if (!read.outcome.ok())
    return report(read.outcome);
  const ExtraInfo& e = read.info;
  const auto& fields = session.front().monitoring.fields;
  auto field = [&fields](InfoField f) {
    const auto found = fields.find(f);
    return found == fields.end() ? std::string() : found->second;
  };
  print_line(JsonObject()
                 .add("valid", e.status_valid)
                 .add("satellites", e.satellites)
                 .add("heating", e.heating)
                 .add("temperature", e.temperature)
                 .add("temperature_present", e.temperature_present)
                 .add("status", field(InfoField::kStatus))
                 .add("latitude", field(InfoField::kLatitude))
                 .add("longitude", field(InfoField::kLongitude))
                 .add("altitude", field(InfoField::kAltitude))
                 .str());
  return kExitSuccess;
}

int run_selftest(Session& session) {
  if (!session.connect())
    return session.connect_failure();
  const SelfTest test = session.front().monitoring_operations->request_self_test();
  if (!test.outcome.ok())
    return report(test.outcome);
  // The warning box for a fault code goes to standard error like every other box.
  session.front().pump();
  print_line(JsonObject()
                 .add("code", test.code)
                 .add("result", self_test_code_text(test.code))
                 .add("text", self_test_short_text(test.code))
                 .str());
  // A fault the clock found is the command's failure, as a refused write is.
  return test.code == kDeviceCodeOk ? kExitSuccess : kExitFailure;
}

int run_monitor(Session& session, const std::vector<std::string_view>& args) {
  int seconds = -1;
  bool periodic = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--seconds" && i + 1 < args.size() &&
        parse_number(args[i + 1], 0, 1000000, seconds)) {
      ++i;
    } else if (args[i] == "--periodic") {
      periodic = true;
    } else {
      return usage_error("monitor: " + std::string(args[i]) +
                         " is not taken; monitor takes [--seconds S] [--periodic]");
    }
  }
  if (!session.connect())
    return session.connect_failure();
  if (periodic) {
    session.front().monitoring.periodic = true;
    session.front().monitoring_operations->periodic_info_clicked();
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_interrupted.load() && (seconds < 0 || std::chrono::steady_clock::now() < end)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    session.front().pump();
  }
  session.front().monitoring_operations->poller().stop();
  return g_interrupted.load() ? kExitInterrupted : kExitSuccess;
}

std::string journal_json(const JournalEntry& r) {
  return JsonObject()
      .add("number", r.number)
      .add("utc_time", journal_time_iso(r.time))
      .add("event_code", r.code)
      .add("event_text", event_text(r.code))
      .add("parameter", static_cast<long long>(r.parameter))
      .add("parameter_text", parameter_text(r.code, r.parameter))
      .str();
}

int run_journal(Session& session, const std::vector<std::string_view>& args) {
  if (args.empty())
    return usage_error("journal takes read, count or clear");
  const std::string_view action = args[0];
  int type = 1;
  int count = 0;
  std::string out_path;
  std::string_view format = "text";
  for (std::size_t i = 1; i < args.size(); i += 2) {
    const bool has_value = i + 1 < args.size();
    if (action == "read" && args[i] == "--format" && has_value &&
        (args[i + 1] == "text" || args[i + 1] == "csv" || args[i + 1] == "json")) {
      format = args[i + 1];
      continue;
    }
    if (args[i] == "--type" && has_value && parse_number(args[i + 1], 1, 3, type))
      continue;
    if (action == "read" && args[i] == "--count" && has_value &&
        parse_number(args[i + 1], 1, 999, count)) {
      continue;
    }
    if (action == "read" && args[i] == "--out" && has_value) {
      out_path = args[i + 1];
      continue;
    }
    return usage_error(
        "journal " + std::string(action) + ": " + std::string(args[i]) +
        (has_value ? " " + std::string(args[i + 1]) : std::string(" without a value")) +
        " is not taken; journal read [--type 1..3] [--count 1..999] [--format "
        "text|csv|json] [--out FILE], journal count [--type 1..3] or journal clear [--type 1..3]");
  }
  if (action != "read" && action != "count" && action != "clear")
    return usage_error("journal takes read, count or clear, not " + std::string(action));
  std::FILE* out = stdout;
  if (!out_path.empty()) {
    out = std::fopen(out_path.c_str(), "wb");
    if (out == nullptr) {
      print_error("tk52cli: cannot write %s: %s\n", out_path.c_str(), std::strerror(errno));
      return kExitFailure;
    }
  }
  struct Closer {
    std::FILE* file;
    ~Closer() {
      if (file != stdout)
        std::fclose(file);
    }
  } closer{out};
  // A file named by --out must hold every byte: its close is checked.
  auto close_out = [&closer]() {
    std::FILE* file = std::exchange(closer.file, stdout);
    return file == stdout || std::fclose(file) == 0;
  };

  if (!session.connect())
    return session.connect_failure();
  HeadlessConfigurator& front = session.front();
  JournalReader& reader = *front.journal_reader;
  front.journals.type = type - 1;
  if (action == "clear") {
    if (const Outcome cleared = reader.clear_journal(); !cleared.ok())
      return report(cleared);
    print_line(JsonObject().add("journal", type).add("cleared", 1).str());
    return kExitSuccess;
  }
  if (action == "count") {
    front.journals.total.clear();
    if (const Outcome counted = reader.read_count(); !counted.ok())
      return report(counted);
    front.pump_until([&] { return !front.journals.total.empty(); }, std::chrono::seconds(2));
    const int counted = front.journals.total.empty() ? 0 : std::stoi(front.journals.total);
    print_line(JsonObject().add("journal", type).add("count", counted).str());
    return kExitSuccess;
  }
  bool out_failed = false;
  // A file gets the lines of event_journal.txt byte for byte; the terminal gets them in its
  // own encoding.
  // A person at a terminal sees how far the pass has come (unless the records themselves go to
  // that terminal); a script's standard error stays clean.
  const bool progress =
      stream_is_terminal(stderr) && (out != stdout || !stream_is_terminal(stdout));
  front.journals.on_line = [out, &out_failed, format, progress, &reader](const std::string& line) {
    if (progress)
      print_error("\rtk52cli: %d of %d records ", reader.displayed(), reader.total());
    if (out_failed || format != "text")
      return;
    if (out == stdout) {
      if (!write_file_line(out, line))
        out_failed = true;
    } else if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
      out_failed = true;
    }
  };
  if (count > 0)
    front.journals.wanted = std::to_string(count);
  // A count that did not come ends the pass at once: its message, and nothing known.
  if (const Outcome started = count > 0 ? reader.read_records() : reader.read_whole_journal();
      !started.ok()) {
    front.pump_until([&] { return !reader.reading(); }, std::chrono::seconds(5));
    return report(started);
  }
  // A pass ends by its watchdog, a second after the last record; the bound only guards a hang.
  front.pump_until([&] { return !reader.reading() || g_interrupted.load(); },
                   std::chrono::hours(1));
  front.journals.on_line = nullptr;
  if (progress)
    print_error("\n");
  // The records read, also of a pass that came only in part, as data.
  if (format != "text") {
    std::string data;
    if (format == "csv") {
      data = journal_csv(reader.records(), out != stdout);
    } else {
      for (const JournalEntry& r : reader.records())
        data += journal_json(r) + "\n";
    }
    if (out == stdout) {
      print_text(data);
    } else if (std::fwrite(data.data(), 1, data.size(), out) != data.size()) {
      out_failed = true;
    }
  }
  if (std::fflush(out) != 0 || std::ferror(out) != 0)
    out_failed = true;
  if (!close_out())
    out_failed = true;
  if (out_failed) {
    print_error("tk52cli: cannot write %s\n",
                out_path.empty() ? "the standard output" : out_path.c_str());
    return kExitFailure;
  }
  if (g_interrupted.load())
    return kExitInterrupted;
  // What the pass read decides, not the boxes shown meanwhile: an unrelated device error may
  // come in the middle of a complete pass.
  if (reader.counted() && reader.total() == 0) {
    print_error("tk52cli: journal %d is empty\n", type);
    return kExitSuccess;
  }
  // The pass's warning of an incomplete read was shown as it ended.
  const Outcome pass = reader.pass_outcome();
  return pass.message.id == MessageId::kJournalIncomplete ? exit_code(pass) : report(pass);
}

int run_session_command(Session& session, std::string_view command,
                        const std::vector<std::string_view>& args) {
  if (command == "config")
    return run_config(session, args);
  if (command == "speed")
    return run_speed(session, args);
  if (command == "monitor")
    return run_monitor(session, args);
  if (command == "journal")
    return run_journal(session, args);
  if (!args.empty())
    return usage_error(std::string(command) + " takes no arguments");
  if (command == "identify")
    return run_identify(session);
  if (command == "find")
    return run_find(session);
  if (command == "info")
    return run_info(session);
  return run_selftest(session);
}

}  // namespace

void catch_interrupts() {
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
}

bool interrupted() {
  return g_interrupted.load();
}

int run_device_command(std::string_view command, const std::vector<std::string_view>& args,
                       const GlobalOptions& options) {
  catch_interrupts();
  if (command == "identify" || command == "config" || command == "find" || command == "speed" ||
      command == "info" || command == "selftest" || command == "monitor" || command == "journal") {
    Session session(options, command == "monitor");
    if (session.log_file_failed())
      return kExitFailure;
    return session.finish(run_session_command(session, command, args));
  }
  return -1;
}

}  // namespace tk52::cli
