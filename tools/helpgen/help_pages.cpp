// tk52_helpgen: builds the help file's pages from their sources and the program's own tables.
//
//   tk52_helpgen SOURCE_DIR OUT_DIR
//
// Copies every file of SOURCE_DIR into OUT_DIR as Windows-1251 text (the code page HTML Help
// reads a Russian help file in), and replaces each marker "<!--tk52:NAME-->" of a page with the
// table NAME made from the program's texts: the message catalogue, the self-diagnostic codes,
// the journal events, the traffic log events and the status texts. The help therefore says what
// the program shows. A marker without a table, or a message without advice, fails the build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/messages.h"
#include "app/operation_codes.h"
#include "log/traffic_log.h"
#include "pages/journals/journal_texts.h"
#include "pages/monitoring/self_test_texts.h"
#include "platform/text_1251.h"

namespace {

namespace fs = std::filesystem;

std::string escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\r':
        break;
      case '\n':
        out += "<br>";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string cell(std::string_view text) {
  return "<td>" + escape(text) + "</td>";
}

// The text of a message as the help shows it: a port's blank filled with an example, a detail
// known only when the box is shown said to be one.
std::string example_text(const tk52::MessageEntry& entry) {
  return tk52::message_text(
      {.id = entry.id, .port = "COM3", .detail = "(текст зависит от случая)"});
}

bool self_test_messages(std::string& out);

// Every message of the catalogue, under the heading of its section, in the catalogue's order.
// An entry without advice stops the build: every message the program shows is explained.
bool messages(std::string& out) {
  bool complete = true;
  std::string_view section;
  for (const tk52::MessageEntry& entry : tk52::message_catalogue()) {
    if (entry.section != section) {
      if (!section.empty())
        out += "</table>\n";
      if (section == "Самодиагностика")
        self_test_messages(out);
      section = entry.section;
      out += "\n<h2>" + escape(section) +
             "</h2>\n<table class=\"messages\">\n<tr><th>Заголовок</th><th>Сообщение</th>"
             "<th>Что делать</th></tr>\n";
    }
    if (entry.advice.empty()) {
      std::fprintf(stderr, "tk52_helpgen: no advice for \"%.*s\"\n",
                   static_cast<int>(entry.text.size()), entry.text.data());
      complete = false;
    }
    // The advice is written as HTML.
    out += "<tr>" + cell(entry.title) + cell(example_text(entry)) + "<td>" +
           std::string(entry.advice) + "</td></tr>\n";
  }
  out += "</table>\n";
  return complete;
}

bool self_test_codes(std::string& out) {
  out += "<table>\n<tr><th>Код</th><th>Значение</th></tr>\n";
  for (int code = 0; code <= 5; ++code) {
    out += "<tr>" + cell(tk52::self_test_code_text(code)) + cell(tk52::self_test_short_text(code)) +
           "</tr>\n";
  }
  out += "</table>\n";
  return true;
}

// The self-diagnostic box's text for each fault code.
bool self_test_messages(std::string& out) {
  out += "<table class=\"messages\">\n<tr><th>Заголовок</th><th>Текст окна</th></tr>\n";
  for (int code = 0; code <= 4; ++code) {
    out += "<tr>" + cell(tk52::message_entry(tk52::MessageId::kSelfTestResult).title) +
           cell(tk52::self_test_long_text(code)) + "</tr>\n";
  }
  out += "</table>\n";
  return true;
}

// The parameter column of an event: what the number means, or the list of the values the clock
// sends with their texts.
std::string parameter_description(int code) {
  const std::string plain = tk52::parameter_text(code, 12345);
  if (plain == "12345")
    return "число";
  const std::string invalid = tk52::parameter_text(code, 0xFFFF);
  const std::string invalid_prefix = invalid.substr(0, invalid.find(','));
  if (plain.rfind(invalid_prefix, 0) != 0)
    return "число, например: " + escape(tk52::parameter_text(code, 5));
  std::string values;
  for (std::uint32_t value = 0;; ++value) {
    const std::string text = tk52::parameter_text(code, value);
    if (text.rfind(invalid_prefix, 0) == 0)
      break;
    if (!values.empty())
      values += "<br>";
    const std::string number = std::to_string(value);
    if (text.rfind(number, 0) == 0)
      values += escape(text);
    else
      values += number + ": " + (text.empty() ? "(пусто)" : escape(text));
  }
  return values + "<br>другое: " + escape(invalid_prefix) + ", значение";
}

bool journal_events(std::string& out) {
  out += "<table>\n<tr><th>Код</th><th>Событие</th><th>Параметр</th></tr>\n";
  for (int code = 0; code < tk52::kEventCodeCount; ++code) {
    out += "<tr><td>" + std::to_string(code) + "</td>" + cell(tk52::event_text(code)) + "<td>" +
           parameter_description(code) + "</td></tr>\n";
  }
  out += "</table>\n";
  return true;
}

bool journal_types(std::string& out) {
  out += "<ul>\n";
  for (std::string_view name : tk52::kJournalTypeNames)
    out += "<li>" + escape(name) + "</li>\n";
  out += "</ul>\n";
  return true;
}

bool traffic_events(std::string& out) {
  out += "<ul>\n";
  for (int event = 0; event <= 7; ++event) {
    out += "<li>" + escape(tk52::traffic_event_text(static_cast<tk52::TrafficEvent>(event))) +
           "</li>\n";
  }
  out += "</ul>\n";
  return true;
}

bool status_texts(std::string& out) {
  out += "<ul>\n";
  for (int index = 0;; ++index) {
    const std::string_view text = tk52::status_text(index);
    if (text.empty())
      break;
    out += "<li>" + escape(text) + "</li>\n";
  }
  out += "</ul>\n";
  return true;
}

const std::map<std::string, std::function<bool(std::string&)>, std::less<>>& tables() {
  static const std::map<std::string, std::function<bool(std::string&)>, std::less<>> all = {
      {"messages", messages},
      {"self-test-codes", self_test_codes},
      {"journal-events", journal_events},
      {"journal-types", journal_types},
      {"traffic-events", traffic_events},
      {"status-texts", status_texts},
  };
  return all;
}

bool expand(const std::string& page, std::string& out, const fs::path& name) {
  static constexpr std::string_view kOpen = "<!--tk52:";
  static constexpr std::string_view kClose = "-->";
  std::size_t at = 0;
  for (;;) {
    const std::size_t marker = page.find(kOpen, at);
    if (marker == std::string::npos) {
      out.append(page, at, std::string::npos);
      return true;
    }
    const std::size_t end = page.find(kClose, marker);
    if (end == std::string::npos) {
      std::fprintf(stderr, "tk52_helpgen: %s: unclosed marker\n", name.string().c_str());
      return false;
    }
    out.append(page, at, marker - at);
    const std::string key = page.substr(marker + kOpen.size(), end - marker - kOpen.size());
    const auto table = tables().find(key);
    if (table == tables().end()) {
      std::fprintf(stderr, "tk52_helpgen: %s: no table \"%s\"\n", name.string().c_str(),
                   key.c_str());
      return false;
    }
    if (!table->second(out))
      return false;
    at = end + kClose.size();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tk52_helpgen SOURCE_DIR OUT_DIR\n", stderr);
    return 2;
  }
  const fs::path source = argv[1];
  const fs::path target = argv[2];
  std::error_code error;
  fs::create_directories(target, error);
  if (error) {
    std::fprintf(stderr, "tk52_helpgen: %s: %s\n", target.string().c_str(),
                 error.message().c_str());
    return 1;
  }
  bool ok = true;
  for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string page = text.str();
    std::string expanded;
    if (entry.path().extension() == ".html") {
      if (!expand(page, expanded, entry.path().filename())) {
        ok = false;
        continue;
      }
    } else {
      expanded = std::move(page);
    }
    const std::string converted = tk52::utf8_to_cp1251(expanded);
    if (std::count(converted.begin(), converted.end(), '?') !=
        std::count(expanded.begin(), expanded.end(), '?')) {
      std::fprintf(stderr, "tk52_helpgen: %s holds a character without a Windows-1251 form\n",
                   entry.path().filename().string().c_str());
      ok = false;
      continue;
    }
    std::ofstream out(target / entry.path().filename(), std::ios::binary | std::ios::trunc);
    out << converted;
    if (!out) {
      std::fprintf(stderr, "tk52_helpgen: cannot write %s\n",
                   (target / entry.path().filename()).string().c_str());
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
