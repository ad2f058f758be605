// The device scan on real pseudo-terminals, linked under the names of serial devices.
#include "ports/port_scan_posix.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tk52 {
namespace {

namespace fs = std::filesystem;

class Terminal {
 public:
  Terminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0)
      path_ = name;
  }
  ~Terminal() {
    if (!path_.empty()) {
      ::close(slave_);
      ::close(master_);
    }
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  const std::string& path() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

class PortScanPosix : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tk52-ports-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_F(PortScanPosix, ListsTheSerialDevicesThatAnswer) {
  Terminal first;
  Terminal second;
  ASSERT_FALSE(first.path().empty());
  ASSERT_FALSE(second.path().empty());
  std::ofstream(dir_ / "ttyS3") << "a plain file is no terminal";
  const struct {
    const char* name;
    std::string target;
  } links[] = {
      {"ttyS10", first.path()},   {"ttyS2", second.path()},    {"ttyUSB0", first.path()},
      {"ttyACM0", second.path()}, {"ttyACM1", "/nonexistent"}, {"ttyUSBx", first.path()},
      {"ttyAMA0", first.path()},  {"console", first.path()},
  };
  for (const auto& link : links)
    fs::create_symlink(link.target, dir_ / link.name);

  const std::vector<std::string> expected = {(dir_ / "ttyS2").string(), (dir_ / "ttyS10").string(),
                                             (dir_ / "ttyUSB0").string(),
                                             (dir_ / "ttyACM0").string()};
  EXPECT_EQ(scan_serial_devices(dir_.string()), expected);
}

TEST_F(PortScanPosix, MissingDirectoryGivesNoDevices) {
  EXPECT_TRUE(scan_serial_devices((dir_ / "absent").string()).empty());
}

}  // namespace
}  // namespace tk52
