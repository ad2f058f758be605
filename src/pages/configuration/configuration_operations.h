// The configuration page's operations: reading, writing and the defaults of the clock's
// configuration, the configuration reply, the identification reply with the model's rules for
// the page, and the page's controls in the connected and disconnected states.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/configurator.h"
#include "app/views.h"
#include "pages/configuration/configuration_options.h"

namespace tk52 {

// What a read found: the clock's configuration as list positions, when the outcome is OK.
struct ConfigurationRead {
  Outcome outcome = {};
  ConfigurationPositions held = {};
};

// What a write sent and what the clock answered.
struct ConfigurationWrite {
  Outcome outcome = {};
  // The fields of the sentence that went out, as list positions; the model's fields only count
  // (has_pps_fields tells which).
  ConfigurationPositions sent = {};
  // The clock's result code for the write, or nothing when the reply that ended it was a late
  // configuration (its own never came): what the clock took is then known only by reading it
  // back.
  std::optional<int> device_code = std::nullopt;
};

class ConfigurationOperations final : public ConnectedStateListener, public NotificationHandler {
 public:
  // Registers "Прочитать", "Записать" and "По умолчанию", the configuration and identification
  // replies and the connected state with the configurator.
  ConfigurationOperations(Configurator& configurator, ConfigurationView& view);
  ConfigurationOperations(const ConfigurationOperations&) = delete;
  ConfigurationOperations& operator=(const ConfigurationOperations&) = delete;

  ConfigurationRead read_configuration();
  ConfigurationWrite write_configuration();
  void apply_defaults();

  // The configuration as the page holds it now: list positions and the PPS width.
  ConfigurationPositions page_configuration() const;

  // The page's configuration as a profile for the identified model (see
  // configuration_profile.h), dated `saved_utc`; empty when no model is identified yet
  // (MessageId::kNoModelForProfile says so).
  std::string save_profile(std::string_view saved_utc) const;
  // Fills the page's lists from a profile (nothing is written: the operator presses
  // "Записать"). Refused, with the reason, when the profile does not suit the identified model;
  // the lists are then left as they were.
  Outcome load_profile(std::string_view text);

  void on_notification(const ReplyNotification& notification) override;
  void on_connected_changed(bool connected) override;

 private:
  void on_configuration_reply();
  void on_identification_reply();
  void apply_model_rules(DeviceModelType model);

  Configurator& configurator_;
  ConfigurationView& view_;
};

}  // namespace tk52
