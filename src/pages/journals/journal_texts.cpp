#include "pages/journals/journal_texts.h"

#include <cstdio>

#include "platform/text_1251.h"

namespace tk52 {
namespace {

constexpr std::array<std::string_view, kEventCodeCount> kEventTexts = {
    "Связь со спутниками установлена",
    "Связь со спутниками потеряна",
    "Несанкционированный доступ",
    "Очистка связного журнала",
    "Включение устройства",
    "Выключение устройства",
    "Очистка журнала перезапуска",
    "Изменение ПО",
    "Измерение Ubat - в норме",
    "Измерение Ubat - разряжена",
    "Связь с GPS модулем по UART - нет связи",
    "Смена конфигурации Ethernet",
    "Смена конфигурации Ethernet Port1",
    "Смена конфигурации Ethernet Port2",
    "Смена конфигурации GPS/ГЛОНАСС модуля",
    "Смена конфигурации PPS",
    "Ошибка TRAP",
    "Изменение пароля",
    "Коррекция времени",
    "Смена конфигурации Метка времени",
    "Очистка диагностического журнала",
};

constexpr std::array<std::string_view, 6> kShutdownCauses = {
    "0 – Отключение питания",       "1 – Внешний watchdog", "2 – Снижение питания", "", "",
    "5 – Программная перезагрузка",
};
constexpr std::array<std::string_view, 4> kSatelliteSystems = {"Отсутствует", "ГЛОНАСС/GPS",
                                                               "только ГЛОНАСС", "только GPS "};
constexpr std::array<std::string_view, 3> kPpsSources = {"навигационный модуль", "собственные часы",
                                                         "автоматический выбор"};
constexpr std::array<std::string_view, 9> kTimeStampFormats = {
    "Нет (только прием)", "ТК-51",         "ТК-52", "ТК-52 (UNIX)", "GPZDA", "GPRMC", "GPGGA",
    "PPS (формат 1)",     "PPS (формат 2)"};

template <std::size_t N>
std::string from_list(const std::array<std::string_view, N>& list, std::uint32_t parameter) {
  if (parameter < N)
    return std::string(list[parameter]);
  return "Неверное значение!, " + std::to_string(parameter);
}

bool leap(long long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Pads or cuts a Windows-1251 text to exactly `width` bytes.
std::string column(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

}  // namespace

std::string event_text(int code) {
  if (code >= 0 && code < kEventCodeCount)
    return std::string(kEventTexts[static_cast<std::size_t>(code)]);
  return std::to_string(code);
}

std::string parameter_text(int code, std::uint32_t parameter) {
  switch (code) {
    case 5:
      return from_list(kShutdownCauses, parameter);
    case 14:
      return from_list(kSatelliteSystems, parameter);
    case 15:
      return from_list(kPpsSources, parameter);
    case 18:
      return std::to_string(parameter) + ",  сек.";
    case 19:
      return from_list(kTimeStampFormats, parameter);
    default:
      return std::to_string(parameter);
  }
}

CalendarTime journal_calendar_time(std::uint32_t seconds_since_2011) {
  long long rest = seconds_since_2011;
  const int second = static_cast<int>(rest % 60);
  rest /= 60;
  const int minute = static_cast<int>(rest % 60);
  rest /= 60;
  const int hour = static_cast<int>(rest % 24);
  long long days = rest / 24 + 734137;  // days from 0001-01-01 to 2011-01-01

  long long year = 1 + 400 * (days / 146097);
  days %= 146097;
  const long long centuries = std::min(days / 36524, 3LL);
  year += 100 * centuries;
  days -= centuries * 36524;
  year += 4 * (days / 1461);
  days %= 1461;
  const long long years = std::min(days / 365, 3LL);
  year += years;
  days -= years * 365;

  constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0;
  for (; month < 11; ++month) {
    const int length = kMonthDays[month] + (month == 1 && leap(year) ? 1 : 0);
    if (days < length)
      break;
    days -= length;
  }
  CalendarTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month + 1);
  t.day = static_cast<std::uint16_t>(days + 1);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  return t;
}

std::string journal_time_text(std::uint32_t seconds_since_2011) {
  const CalendarTime t = journal_calendar_time(seconds_since_2011);
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", t.hour, t.minute, t.second,
                t.day, t.month, t.year);
  return text;
}

std::string journal_line(const JournalEntry& record) {
  char head[48];
  std::snprintf(head, sizeof head, " %04d | UTC ", record.number);
  std::string line = head;
  line += journal_time_text(record.time);
  line += " | ";
  line += column(utf8_to_cp1251(event_text(record.code)), 40);
  line += " | ";
  line += column(utf8_to_cp1251(parameter_text(record.code, record.parameter)), 30);
  line += ' ';
  return line;
}

}  // namespace tk52
