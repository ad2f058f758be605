#include "log/traffic_log.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/text_1251.h"

namespace tk52 {
namespace {

constexpr std::array<std::string_view, 8> kEventTexts = {
    "Начало работы приложения",
    "Конец работы приложения",
    "Установлено соединение",
    "Соединение разорвано",
    "Установлена скорость передачи данных",
    "Записана конфигурация",
    "Получен код самодиагностики",
    "Произведена синхронизация",
};

// "DD.MM.YYYY-hh:mm:ss:mmm", 23 characters for any valid time. snprintf bounds a field that is
// out of its range, which only lengthens the text.
std::string time_stamp(const CalendarTime& t) {
  char text[48];
  const int n = std::snprintf(text, sizeof text, "%.2d.%.2d.%.4d-%.2d:%.2d:%.2d:%.3d", t.day,
                              t.month, t.year, t.hour, t.minute, t.second, t.milliseconds);
  return std::string(text, n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof text - 1));
}

}  // namespace

std::string_view traffic_event_text(TrafficEvent event) {
  return kEventTexts[static_cast<std::size_t>(event)];
}

std::string format_sentence_line(const char* text, std::size_t size, const CalendarTime& at,
                                 bool received, bool good) {
  std::string line;
  line.reserve(kSentencePrefixSize + size);
  line += good ? ' ' : 'x';
  line += '[';
  line += time_stamp(at);
  line += received ? "] >>> " : "] <<< ";
  line.append(text, size);
  return line;
}

std::string format_event_line(std::string_view text_1251, const CalendarTime& at) {
  std::string line;
  line.reserve(kEventPrefixSize + text_1251.size());
  line += " <";
  line += time_stamp(at);
  line += "> ";
  line += text_1251;
  return line;
}

void TrafficLog::log_sent(const char* text, std::size_t size, const CalendarTime& at) {
  if (text == nullptr || size == 0)
    return;
  sink_.append_line(format_sentence_line(text, size, at, false, true));
}

void TrafficLog::log_received(const char* text, std::size_t size, const CalendarTime& at,
                              bool good) {
  if (text == nullptr || size == 0)
    return;
  sink_.append_line(format_sentence_line(text, size, at, true, good));
}

void TrafficLog::log_event(std::string_view text, const CalendarTime& at) {
  if (text.empty())
    return;
  sink_.append_line(format_event_line(utf8_to_cp1251(text), at));
}

}  // namespace tk52
