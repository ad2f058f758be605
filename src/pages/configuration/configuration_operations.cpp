#include "pages/configuration/configuration_operations.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "app/exchange.h"
#include "pages/configuration/configuration_profile.h"
#include "protocol/requests.h"

namespace tk52 {
namespace {

constexpr ConfigControl kOptionLists[] = {
    ConfigControl::kTimeStampFormat, ConfigControl::kSatelliteSystems, ConfigControl::kUtcReference,
    ConfigControl::kHeating,         ConfigControl::kPpsSource,        ConfigControl::kPpsWidth,
};

// Disables controls for the length of an exchange and gives each its enabled state back.
class DisabledWhileBusy {
 public:
  DisabledWhileBusy(ConfigurationView& view, std::size_t count) : view_(view), count_(count) {
    for (std::size_t i = 0; i < count_; ++i) {
      was_enabled_[i] = view_.is_enabled(kOptionLists[i]);
      view_.enable(kOptionLists[i], false);
    }
  }
  ~DisabledWhileBusy() {
    for (std::size_t i = 0; i < count_; ++i)
      view_.enable(kOptionLists[i], was_enabled_[i]);
  }
  DisabledWhileBusy(const DisabledWhileBusy&) = delete;
  DisabledWhileBusy& operator=(const DisabledWhileBusy&) = delete;

 private:
  ConfigurationView& view_;
  std::size_t count_;
  bool was_enabled_[std::size(kOptionLists)] = {};
};

// The exchange for one PKEXC form. A reply of the other form is a late answer to an earlier
// request (a slow clock answers the connect-time query while a write waits): it is not this
// request's answer, so the wait goes on, up to one reply wait per attempt. OK with the payload
// of the form asked for, OK with the other form when that never came, or the exchange's code.
ResultCode exchange_form(Protocol& protocol, SerialPort& port, const Request& request,
                         PkexcForm wanted, ReplyPayload& payload) {
  const ExchangeOptions options;
  ResultCode code = exchange(protocol, port, SentenceKind::kPkexc, request, options, &payload);
  for (int wait = 0;
       code == result::kOk && pkexc_form(payload) != wanted && wait < options.attempts; ++wait) {
    if (!protocol.wait_arrival(SentenceKind::kPkexc, kReplyWait))
      break;
    ReplyPayload later{};
    if (protocol.slots().take(SentenceKind::kPkexc, &later) == result::kOk)
      payload = later;
  }
  return code;
}

}  // namespace

ConfigurationOperations::ConfigurationOperations(Configurator& configurator,
                                                 ConfigurationView& view)
    : configurator_(configurator), view_(view) {
  configurator_.add_operation(OperationCode::kReadConfiguration, [this] {
    configurator_.report(read_configuration().outcome.message);
  });
  configurator_.add_operation(OperationCode::kWriteConfiguration, [this] {
    configurator_.report(write_configuration().outcome.message);
  });
  configurator_.add_operation(OperationCode::kConfigurationDefaults, [this] { apply_defaults(); });
  configurator_.add_notification_handler(ReplyKind::kConfiguration, *this);
  configurator_.add_notification_handler(ReplyKind::kIdentification, *this);
  configurator_.add_listener(*this);
}

void ConfigurationOperations::on_connected_changed(bool connected) {
  if (!connected)
    view_.show_identity({}, {}, {});
  view_.set_connect_caption(connected);
  view_.enable(ConfigControl::kFind, !connected);
  view_.enable(ConfigControl::kSpeedWrite, connected);
  const bool model2 =
      connected && configurator_.protocol().model_type() == DeviceModelType::kTk5201;
  view_.enable(ConfigControl::kSatelliteSystems, !model2);
  view_.enable(ConfigControl::kUtcReference, !model2);
  for (ConfigControl c : {ConfigControl::kRead, ConfigControl::kWrite, ConfigControl::kDefaults}) {
    view_.enable(c, connected);
  }
}

void ConfigurationOperations::on_notification(const ReplyNotification& notification) {
  if (notification.kind == ReplyKind::kIdentification)
    return on_identification_reply();
  // The result-code form answers a write; the monitoring page shows its code.
  if (notification.configuration_form() == ConfigurationForm::kConfiguration)
    on_configuration_reply();
}

ConfigurationRead ConfigurationOperations::read_configuration() {
  DisabledWhileBusy busy(view_, 4);
  std::lock_guard lock(configurator_.protocol().operation_lock());
  configurator_.status(StatusText::kReadingConfiguration);
  ReplyPayload payload{};
  const ResultCode code =
      exchange_form(configurator_.protocol(), configurator_.port(),
                    build_query(SentenceKind::kPkexc), PkexcForm::kConfiguration, payload);
  configurator_.clear_status();
  ConfigurationRead read{.outcome = outcome_of(code)};
  if (read.outcome.ok() && pkexc_form(payload) == PkexcForm::kConfiguration) {
    const auto c = load_record<DeviceConfiguration>(payload);
    read.held = {.time_stamp_format = c.time_stamp_format,
                 .satellite_systems = c.satellite_systems,
                 .utc_reference = c.utc_reference,
                 .heating = c.heating,
                 .pps_source = c.pps_source,
                 .pps_width = c.pps_width};
  }
  return read;
}

ConfigurationPositions ConfigurationOperations::page_configuration() const {
  ConfigurationView& view = view_;
  ConfigurationPositions positions;
  positions.time_stamp_format = view.selection(ConfigControl::kTimeStampFormat);
  positions.satellite_systems = view.selection(ConfigControl::kSatelliteSystems);
  positions.utc_reference = view.selection(ConfigControl::kUtcReference);
  positions.heating = view.selection(ConfigControl::kHeating);
  positions.pps_source = view.selection(ConfigControl::kPpsSource);
  positions.pps_width = pps_width_from_text(view.pps_width_text());
  return positions;
}

std::string ConfigurationOperations::save_profile(std::string_view saved_utc) const {
  const DeviceModelType model = configurator_.protocol().model_type();
  if (model == DeviceModelType::kUnknown)
    return {};
  return profile_text({model, page_configuration()}, saved_utc);
}

Outcome ConfigurationOperations::load_profile(std::string_view text) {
  auto read = read_profile(text, configurator_.protocol().model_type());
  if (auto* reason = std::get_if<std::string>(&read)) {
    return {.code = result::kNotPerformed,
            .message = {.id = MessageId::kProfileRefused, .detail = std::move(*reason)}};
  }
  const auto& profile = std::get<ConfigurationProfile>(read);
  const ConfigurationPositions& c = profile.configuration;
  view_.select(ConfigControl::kTimeStampFormat, c.time_stamp_format);
  view_.select(ConfigControl::kSatelliteSystems, c.satellite_systems);
  if (has_pps_fields(profile.model)) {
    view_.select(ConfigControl::kPpsSource, c.pps_source);
    view_.set_pps_width(c.pps_width);
  } else {
    view_.select(ConfigControl::kUtcReference, c.utc_reference);
    view_.select(ConfigControl::kHeating, c.heating);
  }
  return {};
}

ConfigurationWrite ConfigurationOperations::write_configuration() {
  DisabledWhileBusy busy(view_, std::size(kOptionLists));
  const DeviceModelType model = configurator_.protocol().model_type();
  const ConfigurationPositions positions = page_configuration();
  const ConfigurationDigits digits = to_wire(model, positions);

  ConfigurationWrite write{.sent = positions};
  {
    std::lock_guard lock(configurator_.protocol().operation_lock());
    configurator_.status(StatusText::kWritingConfiguration);
    ReplyPayload payload{};
    const ResultCode code =
        exchange_form(configurator_.protocol(), configurator_.port(),
                      build_configuration_write(model, digits), PkexcForm::kResultCode, payload);
    configurator_.clear_status();
    write.outcome = outcome_of(code);
    if (code == result::kOk && pkexc_form(payload) == PkexcForm::kResultCode)
      write.device_code = load_record<ResultCodeRecord>(payload).code;
  }
  if (!write.outcome.ok())
    return write;
  configurator_.set_sync_available(sync_available_for(positions.time_stamp_format));
  auto text_at = [](const auto& texts, int index) {
    return index >= 0 && index < static_cast<int>(texts.size())
               ? std::string(texts[static_cast<std::size_t>(index)])
               : std::string("?");
  };
  const std::string line = std::string(traffic_event_text(TrafficEvent::kConfigurationWritten)) +
                           " \"Метка времени: <" +
                           text_at(kTimeStampFormatTexts, positions.time_stamp_format) +
                           ">, СНС: <" + text_at(kSatelliteSystemTexts, digits.satellite_systems) +
                           ">, UTC: <" + text_at(kUtcReferenceTexts, positions.utc_reference) +
                           ">, Обогрев: <" + text_at(kHeatingTexts, positions.heating) + ">\".";
  configurator_.log_event(line);
  return write;
}

void ConfigurationOperations::apply_defaults() {
  ConfigurationView& view = view_;
  const ConfigurationDefaults defaults =
      configuration_defaults(configurator_.protocol().model_type());
  view.select(ConfigControl::kTimeStampFormat, defaults.positions.time_stamp_format);
  view.select(ConfigControl::kSatelliteSystems, defaults.positions.satellite_systems);
  view.select(ConfigControl::kUtcReference, defaults.positions.utc_reference);
  view.select(ConfigControl::kHeating, defaults.positions.heating);
  view.select(ConfigControl::kPpsSource, defaults.positions.pps_source);
  if (defaults.sets_pps_width)
    view.set_pps_width(defaults.positions.pps_width);
}

void ConfigurationOperations::on_configuration_reply() {
  ReplyPayload payload{};
  if (configurator_.protocol().slots().take(SentenceKind::kPkexc, &payload) != result::kOk ||
      !configurator_.connected())
    return;
  const auto config = load_record<DeviceConfiguration>(payload);
  configurator_.set_sync_available(sync_available_for(config.time_stamp_format));
  ConfigurationView& view = view_;
  view.select(ConfigControl::kTimeStampFormat, config.time_stamp_format);
  view.select(ConfigControl::kSatelliteSystems, config.satellite_systems);
  view.select(ConfigControl::kUtcReference, config.utc_reference);
  view.select(ConfigControl::kHeating, config.heating);
  view.select(ConfigControl::kPpsSource, config.pps_source);
  view.set_pps_width(config.pps_width);
}

void ConfigurationOperations::apply_model_rules(DeviceModelType model) {
  ConfigurationView& view = view_;
  if (model == DeviceModelType::kUnknown)
    return;
  const bool pps = has_pps_fields(model);
  view.set_satellite_none_item(pps);
  view.select(ConfigControl::kSatelliteSystems, 0);
  view.enable(ConfigControl::kUtcReference, !pps);
  view.enable(ConfigControl::kHeating, !pps);
  view.enable(ConfigControl::kPpsSource, pps);
  view.enable(ConfigControl::kPpsWidth, pps);
}

void ConfigurationOperations::on_identification_reply() {
  ReplyPayload payload{};
  // The reply is handled once the operation that asked for it has ended: after a failed connect
  // it names no connected clock, and the page keeps "Нет соединения" with empty fields.
  if (configurator_.protocol().slots().take(SentenceKind::kPkexi, &payload) != result::kOk ||
      !configurator_.connected())
    return;
  const auto id = load_record<IdentificationRecord>(payload);
  const DeviceModelType type = model_type_from_name(id.model);
  apply_model_rules(type);
  configurator_.model_identified(type);
  // The model is shown with the Cyrillic "ТК" the clock's nameplate carries.
  std::string model(id.model, strnlen(id.model, sizeof id.model));
  if (model.size() >= 2)
    model = "ТК" + model.substr(2);
  view_.show_identity(model, std::string(id.hardware, strnlen(id.hardware, sizeof id.hardware)),
                      std::string(id.software, strnlen(id.software, sizeof id.software)));
}

}  // namespace tk52
