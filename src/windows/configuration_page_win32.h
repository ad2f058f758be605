// The "Конфигурация" tab page: the clock's identity, the speed and connection buttons, and the
// configuration's option lists. It is the configurator's ConfigurationView.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/views.h"
#include "windows/ui_win32.h"

namespace tk52::win32 {

class ConfigurationPage final : public ConfigurationView {
 public:
  // Builds the page inside `area` of `parent`; false when a control cannot be made.
  bool create(HWND parent, RECT area, const Dispatcher* dispatch, int speed_position);
  HWND window() const { return page_; }
  // The page's controls in their keyboard order: top to bottom, left to right in each group.
  std::vector<HWND> tab_order() const;
  // The speed list, where the focus starts.
  HWND speed_list() const { return control(ConfigControl::kSpeedList); }
  void show(bool visible);

  int speed_position() override;
  void select_speed(int position) override;
  void set_connect_caption(bool connected) override;
  void enable(ConfigControl control, bool enabled) override;
  bool is_enabled(ConfigControl control) override;
  int selection(ConfigControl list) override;
  void select(ConfigControl list, int position) override;
  void set_satellite_none_item(bool present) override;
  bool has_satellite_none_item() override;
  std::string pps_width_text() override;
  void set_pps_width(int width) override;
  void show_identity(std::string_view model, std::string_view hardware,
                     std::string_view software) override;

 private:
  // The figures every group's layout starts from, taken from the font's line height.
  struct Layout {
    int h = 0;             // a line of text
    int row = 0;           // a control's height
    int width = 0;         // the page's width inside its margins
    int half = 0;          // a group in the top row
    int first_top = 0;     // the first control below a group's caption
    int first_height = 0;  // the top row's groups
  };
  static Layout layout(RECT area);
  bool build_clock_group(const Layout& l, const Dispatcher* dispatch);
  bool build_speed_group(const Layout& l, const Dispatcher* dispatch, int speed_position);
  bool build_configuration_group(const Layout& l, const Dispatcher* dispatch);
  HWND control(ConfigControl c) const;

  HWND page_ = nullptr;
  HWND identity_[3] = {};
  std::map<ConfigControl, HWND> controls_;
};

}  // namespace tk52::win32
