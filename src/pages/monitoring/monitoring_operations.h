// The monitoring page's operations: extra information once and periodically, the
// self-diagnostic, the replies that fill the page's fields, and the model's rules for them.
#pragma once

#include "app/configurator.h"
#include "app/views.h"
#include "pages/monitoring/periodic_poller.h"
#include "protocol/records.h"

namespace tk52 {

// What a request for the extra information found, when the outcome is OK.
struct InfoRead {
  Outcome outcome = {};
  ExtraInfo info = {};
};

// The self-diagnostic: the clock's code (kDeviceCodeOk, or a fault) when the outcome is OK. The
// exchange succeeding says nothing of the clock's health: the code does.
struct SelfTest {
  Outcome outcome = {};
  int code = -1;
};

class MonitoringOperations final : public ConnectedStateListener, public NotificationHandler {
 public:
  // Registers the page's three command controls, the extra-information, self-diagnostic and
  // configuration replies and the connected state with the configurator.
  MonitoringOperations(Configurator& configurator, MonitoringView& view);
  // Stops the periodic poll; the configurator (and so the port) outlives this.
  ~MonitoringOperations() override;
  MonitoringOperations(const MonitoringOperations&) = delete;
  MonitoringOperations& operator=(const MonitoringOperations&) = delete;

  InfoRead request_info();
  void periodic_info_clicked();
  SelfTest request_self_test();
  // Unchecks "Периодический запрос дополнительной информации" and stops the poll. Call without
  // holding the operation lock.
  void stop_periodic_info();

  PeriodicPoller& poller() { return poller_; }

  void on_notification(const ReplyNotification& notification) override;
  void on_connected_changed(bool connected) override;
  void on_model_identified(DeviceModelType model) override;
  void on_line_reserved() override { stop_periodic_info(); }

 private:
  void on_info_reply();
  void on_self_diagnostic_reply();
  void on_configuration_result();
  void show_self_test_code(int code);
  void start_poll();

  Configurator& configurator_;
  MonitoringView& view_;
  PeriodicPoller poller_;
};

}  // namespace tk52
