// The compiled help file as shipped: its list of files, and the text of its pages taken back
// out of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/messages.h"
#include "pages/journals/journal_texts.h"
#include "pages/monitoring/self_test_texts.h"
#include "platform/text_1251.h"

namespace {

namespace fs = std::filesystem;

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return output;
  std::array<char, 4096> buffer{};
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), got);
  pclose(pipe);
  return output;
}

std::string quoted(const std::string& text) {
  return "'" + text + "'";
}

// The page as the help file holds it, back in UTF-8.
std::string page(const std::string& name) {
  const fs::path folder = fs::temp_directory_path() / ("tk52-help-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path out = folder / name;
  run(std::string(TK52_CHMLS) + " extract " + quoted(TK52_HELP_FILE) + " " + quoted("/" + name) +
      " " + quoted(out.string()) + " >/dev/null 2>&1");
  std::ifstream in(out, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  fs::remove_all(folder);
  return tk52::cp1251_to_utf8(text.str());
}

// The page's text as a reader sees it: tags dropped, the few entities it uses resolved, line
// breaks as blanks.
std::string visible_text(const std::string& html) {
  std::string text;
  bool in_tag = false;
  for (char c : html) {
    if (c == '<') {
      in_tag = true;
      text += ' ';
    } else if (c == '>') {
      in_tag = false;
    } else if (!in_tag) {
      text += (c == '\r' || c == '\n') ? ' ' : c;
    }
  }
  for (const auto& [entity, plain] : std::array<std::pair<std::string, std::string>, 3>{
           {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}}}) {
    for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
      text.replace(at, entity.size(), plain);
  }
  std::string squeezed;
  for (char c : text) {
    if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ')
      continue;
    squeezed += c;
  }
  return squeezed;
}

std::string squeeze_line_breaks(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.replace(at, 2, " ");
  return text;
}

TEST(HelpFile, HoldsEveryPage) {
  ASSERT_TRUE(fs::exists(TK52_HELP_FILE)) << TK52_HELP_FILE;
  const std::string listing = run(std::string(TK52_CHMLS) + " list " + quoted(TK52_HELP_FILE));
  std::vector<std::string> pages;
  for (const auto& entry : fs::directory_iterator(TK52_HELP_SOURCES)) {
    const auto extension = entry.path().extension();
    if (extension == ".html" || extension == ".css" || extension == ".hhc")
      pages.push_back(entry.path().filename().string());
  }
  ASSERT_GE(pages.size(), 7u);
  for (const std::string& name : pages)
    EXPECT_NE(listing.find(" /" + name + "\n"), std::string::npos) << name << " is missing";
}

TEST(HelpFile, PagesDeclareTheirCharacterSet) {
  // HTML Help reads a Russian help file's pages and contents in Windows-1251.
  const std::array<std::pair<const char*, const char*>, 4> pages = {{
      {"index.html", "<title>Конфигуратор радиочасов КЕХ ТК-52</title>"},
      {"troubleshooting.html", "<h1>Сообщения программы и что делать</h1>"},
      {"journals.html", "<h1>Журналы событий</h1>"},
      {"tkhelp.hhc", "\"Синхронизация времени ПК\""},
  }};
  for (const auto& [name, heading] : pages) {
    const std::string html = page(name);
    EXPECT_NE(html.find("charset=windows-1251"), std::string::npos) << name;
    EXPECT_NE(html.find(heading), std::string::npos)
        << name << " does not read back as Windows-1251 Russian";
  }
}

// The troubleshooting page is written from the message catalogue: every box the program can show
// is there with its title and its advice.
TEST(HelpFile, TroubleshootingExplainsEveryMessage) {
  const std::string text = visible_text(page("troubleshooting.html"));
  ASSERT_FALSE(text.empty());
  for (const tk52::MessageEntry& entry : tk52::message_catalogue()) {
    const std::string shown = tk52::message_text({.id = entry.id, .port = "COM3"});
    const std::string fixed = shown.substr(0, shown.find("{detail}"));
    EXPECT_NE(text.find(squeeze_line_breaks(fixed)), std::string::npos) << fixed;
    EXPECT_NE(text.find(std::string(entry.title)), std::string::npos) << entry.title;
  }
  EXPECT_NE(text.find("Не удалось обнаружить устройство ТК на COM3."), std::string::npos);
  for (int code = 0; code <= 4; ++code) {
    EXPECT_NE(text.find(squeeze_line_breaks(tk52::self_test_long_text(code))), std::string::npos)
        << "self-diagnostic " << code;
  }
}

TEST(HelpFile, JournalsPageListsEveryEventText) {
  const std::string text = visible_text(page("journals.html"));
  for (int code = 0; code < tk52::kEventCodeCount; ++code)
    EXPECT_NE(text.find(tk52::event_text(code)), std::string::npos) << "event " << code;
  for (std::string_view name : tk52::kJournalTypeNames)
    EXPECT_NE(text.find(std::string(name)), std::string::npos) << name;
}

}  // namespace
