#include "ports/port_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace tk52 {
namespace {

std::vector<std::string> names(const PortList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count(); ++i)
    out.push_back(list.get(i).entry->name);
  return out;
}

TEST(PortList, KeepsPortsInNumberOrder) {
  struct Case {
    const char* legend;
    std::vector<std::string> added;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"registry order", {"COM10", "COM2", "COM1"}, {"COM1", "COM2", "COM10"}},
      {"a repeated number goes in front", {"COM5", "COM6", "COM05"}, {"COM05", "COM5", "COM6"}},
      {"the number stops at a non-digit", {"COM7a", "COM12", "COM3"}, {"COM3", "COM7a", "COM12"}},
      {"no digits is port 0", {"COM2", "COMx"}, {"COMx", "COM2"}},
  };
  for (const Case& c : cases) {
    PortList list;
    for (const std::string& name : c.added)
      ASSERT_EQ(list.add(name), PortResult::ok) << c.legend << ": " << name;
    EXPECT_EQ(names(list), c.expected) << c.legend;
  }
}

TEST(PortList, ReadsTheNumberAfterCom) {
  const struct {
    const char* name;
    int number;
  } cases[] = {{"COM1", 1},  {"COM256", 256}, {"COM007", 7},
               {"COM7a", 7}, {"COMx", 0},     {"COM99999999999999", INT_MAX}};
  for (const auto& c : cases) {
    PortList list;
    ASSERT_EQ(list.add(c.name), PortResult::ok) << c.name;
    EXPECT_EQ(list.get(0).entry->number, c.number) << c.name;
  }
}

TEST(PortList, RefusesNamesThatAreNotCom) {
  for (const char* name : {"", "COM", "com1", "Com1", "LPT1", "CO1", " COM1", "\\\\.\\COM1"}) {
    PortList list;
    EXPECT_EQ(list.add(name), PortResult::invalid_argument) << '"' << name << '"';
    EXPECT_EQ(list.count(), 0) << '"' << name << '"';
  }
}

TEST(PortList, DefaultListHoldsEveryName) {
  PortList list;
  ASSERT_EQ(list.add("COM3", "USB Serial Port"), PortResult::ok);
  ASSERT_EQ(list.build_default(), PortResult::ok);
  ASSERT_EQ(list.count(), 256);
  for (int i = 0; i < list.count(); ++i) {
    const PortEntry& port = *list.get(i).entry;
    EXPECT_EQ(port.number, i + 1);
    EXPECT_EQ(port.name, "COM" + std::to_string(i + 1));
    EXPECT_TRUE(port.description.empty()) << port.name;
  }
}

TEST(PortList, GetAndFindOutsideTheList) {
  PortList list;
  EXPECT_EQ(list.get(0).result, PortResult::invalid_argument);
  ASSERT_EQ(list.add("COM3", "first"), PortResult::ok);
  ASSERT_EQ(list.add("COM3", "second"), PortResult::ok);
  ASSERT_EQ(list.add("COM256"), PortResult::ok);

  const struct {
    const char* legend;
    PortLookup lookup;
    PortResult result;
    const char* description;  // of the port found
  } cases[] = {
      {"index -1", list.get(-1), PortResult::invalid_argument, nullptr},
      {"index count", list.get(list.count()), PortResult::invalid_argument, nullptr},
      {"last index", list.get(list.count() - 1), PortResult::ok, ""},
      {"number 0", list.find(0), PortResult::invalid_argument, nullptr},
      {"number 257", list.find(257), PortResult::invalid_argument, nullptr},
      {"number absent", list.find(4), PortResult::fail, nullptr},
      {"number 256", list.find(256), PortResult::ok, ""},
      {"repeated number gives the front one", list.find(3), PortResult::ok, "second"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.lookup.result, c.result) << c.legend;
    if (c.description == nullptr)
      EXPECT_EQ(c.lookup.entry, nullptr) << c.legend;
    else if (c.lookup.entry != nullptr)
      EXPECT_EQ(c.lookup.entry->description, c.description) << c.legend;
    else
      ADD_FAILURE() << c.legend << ": no port";
  }
}

TEST(PortList, DescribeSetsTheFirstPortWithTheNumber) {
  PortList list;
  ASSERT_EQ(list.add("COM5"), PortResult::ok);
  ASSERT_EQ(list.add("COM5"), PortResult::ok);
  EXPECT_EQ(list.describe(5, "USB Serial Port"), PortResult::ok);
  EXPECT_EQ(list.describe(6, "absent"), PortResult::fail);
  EXPECT_EQ(list.describe(0, "out of range"), PortResult::invalid_argument);
  EXPECT_EQ(item_text(*list.get(0).entry), "COM5 - USB Serial Port");
  EXPECT_EQ(item_text(*list.get(1).entry), "COM5");
}

TEST(PortList, FriendlyNames) {
  const struct {
    const char* friendly_name;
    std::optional<FriendlyName> expected;
  } cases[] = {
      {"USB Serial Port (COM5)", FriendlyName{5, "USB Serial Port"}},
      {"Communications Port (COM1)", FriendlyName{1, "Communications Port"}},
      {"Prolific USB-to-Serial Comm Port (COM12)",
       FriendlyName{12, "Prolific USB-to-Serial Comm Port"}},
      {"Port \t \x01(COM3)", FriendlyName{3, "Port"}},
      {"Port(COM3)", FriendlyName{3, "Port"}},
      {"Последовательный порт (COM4)", FriendlyName{4, "Последовательный порт"}},
      {"Port (COM7) rev. 2", FriendlyName{7, "Port"}},
      {"Port (COM8", FriendlyName{8, "Port"}},
      {"Port (COM300)", FriendlyName{300, "Port"}},
      {" (COM5)", FriendlyName{5, ""}},
      {"USB Serial Port", std::nullopt},
      {"", std::nullopt},
      {"(COM5)", std::nullopt},
      {"Port (COM)", std::nullopt},
      {"Port (COMx)", std::nullopt},
      {"Port (com5)", std::nullopt},
      {"Printer Port (LPT1)", std::nullopt},
      {"Port (COM5) (rev 2)", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto parsed = parse_friendly_name(c.friendly_name);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.friendly_name;
    if (parsed) {
      EXPECT_EQ(parsed->number, c.expected->number) << c.friendly_name;
      EXPECT_EQ(parsed->description, c.expected->description) << c.friendly_name;
    }
  }
}

}  // namespace
}  // namespace tk52
