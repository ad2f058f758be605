// Operation codes: the control identifiers of the pages' command controls, which the
// dispatcher maps to operations; and the status texts shown while an operation runs.
#pragma once

#include <cstdint>
#include <string_view>

namespace tk52 {

enum class OperationCode : std::uint16_t {
  kConnect = 0x1001,
  kFindDevice = 0x1002,
  kChangeSpeed = 0x1003,
  kReadConfiguration = 0x1004,
  kWriteConfiguration = 0x1005,
  kConfigurationDefaults = 0x1006,
  kFollowLog = 0x1007,
  kClearLog = 0x1008,
  kSaveLog = 0x1009,
  kPeriodicInfo = 0x100A,
  kRequestInfo = 0x100B,
  kRequestSelfTest = 0x100C,
  kSynchroniseNow = 0x100D,
  kAutoSync = 0x100E,
  kSyncPeriodic = 0x100F,
  kSyncThreshold = 0x1010,
  kSaveJournal = 0x1011,
  kReadWholeJournal = 0x1012,
  kCountJournal = 0x1013,
  kReadJournalRecords = 0x1014,
  kClearJournal = 0x1015,
};

enum class StatusText : int {
  kConnecting = 0,
  kFindingDevice = 1,
  kChangingSpeed = 2,
  kReadingConfiguration = 3,
  kWritingConfiguration = 4,
  kRequestingInfo = 5,
  kRequestingSelfTest = 6,
  kSynchronising = 7,
};

// The text of a status index 0..7; empty for any other index.
std::string_view status_text(int index);

}  // namespace tk52
