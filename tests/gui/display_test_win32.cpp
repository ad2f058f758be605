// End-to-end tests of how the window looks: the real tk52cfg.exe at several display scales, in a
// dark high-contrast colour scheme, and after state changes that must not leave old pixels
// behind. The display settings are the user's registry values, which Wine reads when a program
// starts; each test puts them back as they were.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation_win32.h"
#include "fixture_win32.h"

namespace {

using namespace gui_test;

constexpr std::array<const char*, 4> kModels = {"TK-52.00", "TK-52.01", "TK-52.A", "TK-53"};
constexpr int kCaptionId = 0x1FFF;

// The widest values the clock can send, with the texts the program shows for them.
constexpr const char* kWidestLatitude = "lat 8959.9999999S";
constexpr wchar_t kWidestLatitudeText[] = L"S  89° 59.9999999";
constexpr const char* kWidestLongitude = "lon 17959.9999999W";
constexpr const char* kWidestAltitude = "alt -99999.9999999";

// Values of the user's registry for the length of a test, put back as they were afterwards.
class RegistryOverride {
 public:
  RegistryOverride() = default;
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;
  ~RegistryOverride() { restore(); }

  bool set_dword(const std::wstring& key, const std::wstring& name, DWORD value) {
    return set(key, name, REG_DWORD,
               std::vector<BYTE>(reinterpret_cast<const BYTE*>(&value),
                                 reinterpret_cast<const BYTE*>(&value) + sizeof value));
  }

  bool set_string(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(value.c_str());
    return set(key, name, REG_SZ,
               std::vector<BYTE>(bytes, bytes + (value.size() + 1) * sizeof(wchar_t)));
  }

  void restore() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, it->key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        continue;
      }
      if (it->existed) {
        RegSetValueExW(key, it->name.c_str(), 0, it->type, it->data.data(),
                       static_cast<DWORD>(it->data.size()));
      } else {
        RegDeleteValueW(key, it->name.c_str());
      }
      RegCloseKey(key);
    }
    saved_.clear();
  }

 private:
  struct Saved {
    std::wstring key;
    std::wstring name;
    bool existed = false;
    DWORD type = 0;
    std::vector<BYTE> data;
  };

  bool set(const std::wstring& key_name, const std::wstring& name, DWORD type,
           const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    Saved old{key_name, name, false, 0, {}};
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &old.type, nullptr, &size) == ERROR_SUCCESS) {
      old.data.resize(size);
      old.existed = RegQueryValueExW(key, name.c_str(), nullptr, &old.type, old.data.data(),
                                     &size) == ERROR_SUCCESS;
    }
    saved_.push_back(std::move(old));
    const bool ok = RegSetValueExW(key, name.c_str(), 0, type, data.data(),
                                   static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
  }

  std::vector<Saved> saved_;
};

// The fixture's program, started once the registry says how the display is to look.
class Display : public Tk52Gui {
 protected:
  void SetUp() override {
    prepare();
    Tk52Gui::SetUp();
  }

  void TearDown() override {
    Tk52Gui::TearDown();
    registry_.restore();
    // The next test finds the clock it was started with.
    if (switched_model_) {
      EXPECT_TRUE(sim_->run("model " + model_under_test().wire));
    }
  }

  virtual void prepare() {}

  // The clock becomes another model, as if another one were plugged in.
  void switch_model(const std::string& model) {
    switched_model_ = true;
    ASSERT_TRUE(sim_->run("model " + model)) << model;
  }

  // Asks for the extra information and waits until the latitude shows `latitude`.
  void request_info(const std::wstring& latitude) {
    HWND info = info_control(kRequestInfo);
    ASSERT_TRUE(gui::click(info)) << "the information request did not finish";
    EXPECT_TRUE(field_shows(info_control(kLatitudeField), latitude));
  }

  HWND visible_page() const {
    for (HWND w = GetWindow(app_->tab(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
      if (IsWindowVisible(w))
        return w;
    }
    return nullptr;
  }

  RegistryOverride registry_;
  bool switched_model_ = false;
};

std::string name_of(HWND control) {
  std::ostringstream out;
  out << gui::to_utf8(gui::class_of(control)) << " 0x" << std::hex << GetDlgCtrlID(control) << " \""
      << gui::to_utf8(text_of(control)) << "\"";
  return out.str();
}

RECT client_on_screen(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The program's font at a display scale: the system's GUI font face at 8 points.
class ProgramFont {
 public:
  explicit ProgramFont(int dpi) {
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfHeight = -MulDiv(8, dpi, 72);
    face.lfWidth = 0;
    font_ = CreateFontIndirectW(&face);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, font_);
    GetTextMetricsW(dc_, &metrics_);
  }
  ~ProgramFont() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(font_);
  }
  ProgramFont(const ProgramFont&) = delete;
  ProgramFont& operator=(const ProgramFont&) = delete;

  int width(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }
  int height() const { return metrics_.tmHeight; }
  // The text broken into lines at most `width` wide: the widest line and the height they take.
  SIZE wrapped(const std::wstring& text, int width) const {
    RECT r{0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    return {r.right - r.left, r.bottom - r.top};
  }

 private:
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  TEXTMETRICW metrics_{};
};

// What a control leaves for its text beside frames, margins, arrows and check marks.
struct TextRoom {
  int width = 0;
  int height = 0;
  bool wraps = false;               // a multi-line button breaks its text into lines
  std::vector<std::wstring> texts;  // every text it can show now
};

std::optional<TextRoom> text_room(HWND control, int dpi) {
  const std::wstring kind = gui::class_of(control);
  RECT client{};
  GetClientRect(control, &client);
  TextRoom room{client.right, client.bottom, false, {text_of(control)}};
  const int edge = GetSystemMetrics(SM_CXEDGE);
  if (kind == L"Static") {
    return room;
  }
  if (kind == L"Edit") {
    DWORD_PTR margins = 0;
    SendMessageTimeoutW(control, EM_GETMARGINS, 0, 0, SMTO_NORMAL, 5000, &margins);
    room.width -= LOWORD(margins) + HIWORD(margins);
    return room;
  }
  if (kind == L"ComboBox") {
    // Any item can be the one shown: the widest must fit beside the arrow.
    room.texts = gui::combo_items(control);
    room.width -= GetSystemMetrics(SM_CXVSCROLL) + 2 * edge + MulDiv(2, dpi, 96);
    room.height -= 2 * edge;
    return room;
  }
  if (kind == L"Button") {
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_GROUPBOX) {
      // The caption sits in the top frame line, beyond its left corner.
      room.width -= 2 * MulDiv(8, dpi, 96);
      return room;
    }
    if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
        type == BS_RADIOBUTTON) {
      room.width -= GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(4, dpi, 96);
      return room;
    }
    room.width -= 2 * (edge + 1);
    room.height -= 2 * (edge + 1);
    room.wraps = (GetWindowLongW(control, GWL_STYLE) & BS_MULTILINE) != 0;
    return room;
  }
  return std::nullopt;
}

// Every fault of the visible page's layout: a text wider or taller than its control, a control
// past its group or the window.
std::vector<std::string> layout_faults(HWND main, HWND page, int dpi) {
  std::vector<std::string> faults;
  const ProgramFont font(dpi);
  const RECT window = client_on_screen(main);
  std::vector<HWND> all{page};
  gui::descendants(page, all);
  for (HWND control : all) {
    if (!IsWindowVisible(control))
      continue;
    RECT place{};
    GetWindowRect(control, &place);
    if (!inside(place, window))
      faults.push_back(name_of(control) + " reaches past the window");
    HWND parent = GetParent(control);
    if (control != page && !inside(place, client_on_screen(parent)))
      faults.push_back(name_of(control) + " reaches past " + name_of(parent));
    const auto room = text_room(control, dpi);
    if (!room)
      continue;
    for (const std::wstring& text : room->texts) {
      if (text.empty())
        continue;
      SIZE lines{font.width(text), font.height()};
      if (room->wraps) {
        lines = font.wrapped(text, room->width);
        // The broken caption is drawn into a box exactly as wide as its widest line. A line of
        // several words there may be broken once more when drawn (Wine's buttons do, placing
        // the text for the lines measured): the last word then falls out of the button.
        const SIZE redrawn = font.wrapped(text, std::max(1, static_cast<int>(lines.cx) - 1));
        if (lines.cy > font.height() && redrawn.cy != lines.cy) {
          faults.push_back(name_of(control) + ": \"" + gui::to_utf8(text) + "\" breaks into " +
                           std::to_string(lines.cy / font.height()) +
                           " lines with a line of several words as its widest");
        }
      }
      if (lines.cy > room->height) {
        faults.push_back(name_of(control) + ": \"" + gui::to_utf8(text) + "\" takes " +
                         std::to_string(lines.cy) + " px of " + std::to_string(room->height) +
                         " in height");
      }
      if (lines.cx > room->width) {
        faults.push_back(name_of(control) + ": \"" + gui::to_utf8(text) + "\" takes " +
                         std::to_string(lines.cx) + " px of " + std::to_string(room->width));
      }
    }
  }
  return faults;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines)
    out += "\n  " + l;
  return out;
}

// At each display scale, with each model connected: every page fits its texts and its window.
class DisplayScale : public Display, public ::testing::WithParamInterface<int> {
 protected:
  void prepare() override {
    ASSERT_TRUE(registry_.set_dword(L"Control Panel\\Desktop", L"LogPixels",
                                    static_cast<DWORD>(GetParam())));
  }
};

TEST_P(DisplayScale, EveryPageFitsWithEveryModel) {
  const int dpi = GetParam();
  RECT frame{};
  GetWindowRect(app_->main(), &frame);
  EXPECT_EQ(frame.right - frame.left, MulDiv(640, dpi, 96)) << "window width";
  EXPECT_EQ(frame.bottom - frame.top, MulDiv(480, dpi, 96)) << "window height";
  for (const char* model : kModels) {
    SCOPED_TRACE(model);
    switch_model(model);
    for (const char* widest : {kWidestLatitude, kWidestLongitude, kWidestAltitude})
      ASSERT_TRUE(sim_->run(widest)) << widest;
    connect();
    ASSERT_TRUE(app_->show_tab(1));
    request_info(kWidestLatitudeText);
    // The journals page is there only for models that keep journals.
    DWORD_PTR tabs = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app_->tab(), TCM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &tabs));
    for (int tab = 0; tab < static_cast<int>(tabs); ++tab) {
      ASSERT_TRUE(app_->show_tab(tab));
      ASSERT_TRUE(app_->settle());
      const auto faults = layout_faults(app_->main(), visible_page(), dpi);
      EXPECT_TRUE(faults.empty()) << "page " << tab << " at " << dpi << " dpi:" << joined(faults);
      if (std::string(model) == "TK-52.A")
        gui::screenshot("Display.Scale_" + std::to_string(dpi) + "dpi_page" + std::to_string(tab));
    }
    ASSERT_TRUE(app_->show_tab(0));
    disconnect();
  }
}

// Moved to a monitor of another scale, the window takes the suggested place and lays its pages
// out again for the new scale.
TEST_F(Display, MovedToAnotherScaleFitsEveryPage) {
  connect();
  RECT frame{};
  GetWindowRect(app_->main(), &frame);
  for (const int dpi : {144, 192, 96}) {
    SCOPED_TRACE(dpi);
    const RECT suggested{frame.left, frame.top, frame.left + MulDiv(640, dpi, 96),
                         frame.top + MulDiv(480, dpi, 96)};
    ASSERT_TRUE(gui::send_dpi_changed(app_->main(), dpi, suggested));
    RECT now{};
    GetWindowRect(app_->main(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << "the window is not at the suggested place";
    for (int tab = 0; tab < 3; ++tab) {
      ASSERT_TRUE(app_->show_tab(tab));
      ASSERT_TRUE(app_->settle());
      const auto faults = layout_faults(app_->main(), visible_page(), dpi);
      EXPECT_TRUE(faults.empty()) << "page " << tab << ":" << joined(faults);
    }
    gui::screenshot("Display.MovedTo_" + std::to_string(dpi) + "dpi");
    ASSERT_TRUE(app_->show_tab(0));
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScale, ::testing::Values(96, 120, 144, 192),
                         [](const auto& scale) { return std::to_string(scale.param) + "dpi"; });

// The contrast ratio of two colours, from their relative luminance.
double luminance(COLORREF c) {
  const auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) +
         0.0722 * channel(GetBValue(c));
}

double contrast(COLORREF a, COLORREF b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The best contrast between a pixel of the control's text and its background (the commonest
// colour of its client area, or of the part `within` of it); 1 when it shows nothing.
double text_contrast(HWND control, std::optional<RECT> within = std::nullopt) {
  const gui::Pixels picture = gui::settled_pixels(control, true);
  if (picture.rgb.empty())
    return 0;
  const RECT part = within.value_or(RECT{0, 0, picture.width, picture.height});
  std::map<COLORREF, int> counts;
  for (int y = std::max(0, static_cast<int>(part.top));
       y < std::min(picture.height, static_cast<int>(part.bottom)); ++y) {
    for (int x = std::max(0, static_cast<int>(part.left));
         x < std::min(picture.width, static_cast<int>(part.right)); ++x) {
      ++counts[picture.rgb[static_cast<std::size_t>(y * picture.width + x)]];
    }
  }
  if (counts.empty())
    return 0;
  const COLORREF background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  double best = 1;
  // The pixels read as 0x00RRGGBB; a COLORREF keeps red in the low byte.
  const auto colour_of = [](COLORREF p) { return RGB(GetBValue(p), GetGValue(p), GetRValue(p)); };
  for (const auto& entry : counts)
    best = std::max(best, contrast(colour_of(entry.first), colour_of(background)));
  return best;
}

// A dark high-contrast scheme, as the system's own "High Contrast Black".
class HighContrast : public Display {
 protected:
  void prepare() override {
    const std::array<std::pair<const wchar_t*, const wchar_t*>, 20> colours = {{
        {L"Window", L"0 0 0"},
        {L"WindowText", L"255 255 255"},
        {L"ButtonFace", L"0 0 0"},
        {L"ButtonText", L"255 255 255"},
        {L"ButtonHilight", L"255 255 255"},
        {L"ButtonLight", L"255 255 255"},
        {L"ButtonShadow", L"128 128 128"},
        {L"ButtonDkShadow", L"255 255 255"},
        {L"GrayText", L"0 255 0"},
        {L"Hilight", L"26 235 255"},
        {L"HilightText", L"0 0 0"},
        {L"Menu", L"0 0 0"},
        {L"MenuBar", L"0 0 0"},
        {L"MenuText", L"255 255 255"},
        {L"Scrollbar", L"0 0 0"},
        {L"InfoWindow", L"0 0 0"},
        {L"InfoText", L"255 255 255"},
        {L"TitleText", L"255 255 255"},
        {L"ActiveTitle", L"0 0 0"},
        {L"WindowFrame", L"255 255 255"},
    }};
    for (const auto& [name, value] : colours)
      ASSERT_TRUE(registry_.set_string(L"Control Panel\\Colors", name, value)) << name;
    // High contrast turns the visual styles off.
    ASSERT_TRUE(registry_.set_string(L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                                     L"ThemeActive", L"0"));
  }
};

TEST_F(HighContrast, ValuesAndCaptionsAreReadable) {
  connect();
  ASSERT_TRUE(app_->show_tab(1));
  ASSERT_TRUE(gui::click(info_control(kSelfTest)));
  request_info(L"N  55° 45.0012");
  std::vector<std::pair<HWND, std::string>> shown;
  const auto check = [&](const std::string& page) {
    gui::screenshot("Display.HighContrast_" + page);
    HWND p = visible_page();
    std::vector<HWND> all;
    gui::descendants(p, all);
    for (HWND c : all) {
      const int id = GetDlgCtrlID(c);
      const bool value =
          gui::class_of(c) == L"Edit" && (GetWindowLongW(c, GWL_STYLE) & ES_READONLY) != 0;
      if ((value || id == kCaptionId) && !text_of(c).empty()) {
        const double ratio = text_contrast(c);
        EXPECT_GE(ratio, 4.5) << page << ": " << name_of(c);
        shown.emplace_back(c, page);
      }
    }
  };
  check("monitoring");
  ASSERT_TRUE(app_->show_tab(0));
  check("configuration");
  // The three identity fields and the eight information values at least, with their captions.
  EXPECT_GE(shown.size(), 11u + 3u + 8u);
  // The connection in the status bar's first part: the middle of its height, clear of the
  // part's frame lines.
  HWND bar = FindWindowExW(app_->main(), nullptr, L"msctls_statusbar32", nullptr);
  ASSERT_NE(bar, nullptr);
  RECT client{};
  GetClientRect(bar, &client);
  const RECT middle{0, client.bottom / 3, client.right / 4, client.bottom * 2 / 3};
  EXPECT_GE(text_contrast(bar, middle), 4.5) << "the status bar's connection text";
}

// Pixels of a control that must look as on a fresh start after a change of state, with the
// visual styles on and off (the controls then paint with the brushes the program gives them).
class StalePixels : public Display, public ::testing::WithParamInterface<bool> {
 protected:
  void prepare() override {
    if (!GetParam()) {
      ASSERT_TRUE(registry_.set_string(
          L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", L"ThemeActive", L"0"));
    }
  }
};

TEST_P(StalePixels, PpsWidthAfterAnotherModelIsAsOnAFreshStart) {
  switch_model("TK-52.A");
  connect();
  ASSERT_TRUE(gui::wait_until([&] { return enabled(config_control(kPpsWidthField)); }));
  const std::wstring wider = text_of(config_control(kPpsWidthField));
  disconnect();
  switch_model("TK-52.00");
  connect();
  HWND field = config_control(kPpsWidthField);
  ASSERT_TRUE(gui::wait_until([&] { return !enabled(field); }));
  const std::wstring after_text = text_of(field);
  const gui::Pixels after = gui::settled_pixels(field);
  ASSERT_FALSE(after.rgb.empty()) << "the field never stopped changing";

  close_program();
  start();
  connect();
  field = config_control(kPpsWidthField);
  ASSERT_TRUE(gui::wait_until([&] { return !enabled(field); }));
  EXPECT_EQ(short_name(text_of(field)), short_name(after_text));
  const gui::Pixels fresh = gui::settled_pixels(field);
  EXPECT_TRUE(after == fresh) << "the field keeps pixels of \"" << short_name(wider) << "\"";
}

TEST_P(StalePixels, PeriodicCheckBoxAfterTwoClicksIsAsBefore) {
  // Switching tabs leaves the focus on the tab control.
  ASSERT_TRUE(app_->show_tab(1));
  HWND box = info_control(kPeriodicInfo);
  const gui::Pixels before = gui::settled_pixels(box);
  ASSERT_FALSE(before.rgb.empty());
  for (int click = 0; click < 2; ++click)
    ASSERT_TRUE(gui::click(box));
  // The focus goes back to the tab control without the page being shown again, which would
  // paint it afresh and hide what the clicks left.
  const DWORD program = GetWindowThreadProcessId(app_->main(), nullptr);
  ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), program, TRUE));
  SetFocus(app_->tab());
  AttachThreadInput(GetCurrentThreadId(), program, FALSE);
  ASSERT_TRUE(gui::wait_until([&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(program, &info) && info.hwndFocus == app_->tab();
  }));
  ASSERT_TRUE(app_->settle());
  const gui::Pixels after = gui::settled_pixels(box);
  EXPECT_TRUE(before == after) << "the check box's caption kept pixels of earlier paintings";
}

// While "Найти" tries the speeds one after the other, the list shows each speed it tries.
TEST_F(Display, SpeedListShowsEverySpeedTriedWhileFinding) {
  ASSERT_TRUE(sim_->run("baud 115200"));
  HWND list = speed_control(kSpeedList);
  HWND find = speed_control(kFind);
  ASSERT_TRUE(gui::combo_select(list, 0));
  ASSERT_FALSE(gui::settled_pixels(list, true).rgb.empty());
  RECT area{};
  GetClientRect(list, &area);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&area), 2);
  gui::post_click(find);
  std::vector<gui::Pixels> seen;
  const bool found = gui::wait_until(
      [&] {
        const gui::Pixels now = gui::pixels_of(area);
        // A picture with text in it (the left half, clear of the arrow, in more colours than a
        // blank field and its frame), not one seen before.
        std::map<COLORREF, int> colours;
        for (int y = 0; y < now.height; ++y) {
          for (int x = 0; x < now.width / 2; ++x)
            ++colours[now.rgb[static_cast<std::size_t>(y * now.width + x)]];
        }
        if (colours.size() >= 5 && std::find(seen.begin(), seen.end(), now) == seen.end())
          seen.push_back(now);
        // The program is busy: only what needs no answer from it is asked.
        return !enabled(find);
      },
      60s);
  ASSERT_TRUE(found) << "the clock was not found";
  // The list as it was, then each of the seven speeds as it is tried (the six below the clock's
  // each wait out the reply's bound): one of them may come and go between two looks.
  EXPECT_GE(seen.size(), 7u) << "speeds shown while finding";
}

INSTANTIATE_TEST_SUITE_P(Styles, StalePixels, ::testing::Bool(), [](const auto& styles) {
  return std::string(styles.param ? "themed" : "classic");
});

}  // namespace
