// Every message the program tells the operator, in one catalogue: its exact text and box title,
// its icon, how grave it is and what the operator should do. The Windows program shows its boxes
// from here, tk52cli prints from here and chooses its exit code by the severity, and the help's
// troubleshooting page is written from here, so no message exists without its help entry.
//
// A text may hold "{port}" (the port's name as the operator gave it) or "{detail}" (a reason or a
// value known only when it is shown); message_text() fills them in.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/views.h"
#include "protocol/result_codes.h"

namespace tk52 {

enum class MessageId : std::uint8_t {
  kNone,
  // The result codes of the port and of the exchanges.
  kNotPerformed,
  kPortNotOpen,
  kCloseFailed,
  kReadFailed,
  kWriteFailed,
  kSpeedChangeFailed,
  kNoReply,
  kBadField,
  kBadChecksum,
  kBadCrc,
  kNotProcessed,
  kPostFailed,
  kUnknownError,
  // Connection and speed.
  kNoPortChosen,
  kDeviceNotFound,
  kSpeedNotChanged,
  kFixedSpeedLine,
  kDeviceGone,
  // The clock's refusals.
  kDeviceBadFormat,
  kDeviceBadValue,
  kDeviceUnknownError,
  // Self-diagnostic.
  kSelfTestResult,
  // Configuration files.
  kNoModelForProfile,
  kProfileRefused,
  kFileNotSaved,
  kFileNotOpened,
  kFileAccessDenied,
  // Logs and viewers.
  kClearLogQuestion,
  kTrafficLogUnavailable,
  kEventLogUnavailable,
  kJournalIncomplete,
  kTooManyViewers,
  kWindowNotCreated,
  kEmptyLogFile,
  kLogFileAlreadyOpen,
  // Ports.
  kPortRegistryUnreadable,
  kPortScanOutOfMemory,
  kPortScanFailed,
  kPortDefaultListFailed,
  // The program.
  kProcessNotStarted,
  kNoSystemResources,
};

// How grave a message is. tk52cli's exit code follows it: a notice or a question is no failure,
// an incomplete result is exit 3, an error exit 1.
enum class Severity : std::uint8_t { kNotice, kIncomplete, kError };

struct MessageEntry {
  MessageId id;
  std::string_view section;  // the heading it is listed under in the help
  std::string_view title;
  std::string_view text;
  MessageIcon icon;
  Severity severity;
  std::string_view advice;  // HTML, for the help page
};

std::span<const MessageEntry> message_catalogue();
const MessageEntry& message_entry(MessageId id);

// A message as it is to be shown: which one, and what fills its blanks.
struct Message {
  MessageId id = MessageId::kNone;
  std::string port = {};
  std::string detail = {};
};

// The text with its blanks filled. A detail the text has no blank for goes on a line of its own
// beneath it (the system's reason under "Не удалось открыть порт.").
std::string message_text(const Message& message);

// What an operation did: its result code, result::kOk exactly when it did what was asked, and
// what the operator is to be told (kNone: nothing). Front ends decide by this, never by what a
// window happened to show.
struct Outcome {
  ResultCode code = result::kOk;
  Message message = {};
  bool ok() const { return code == result::kOk; }
};

// Shows a message on `shell` as the catalogue has it (nothing for kNone).
void show(ShellView& shell, const Message& message);

// A result code's outcome: both codes of success are result::kOk; kSilent fails telling nothing.
Outcome outcome_of(ResultCode code);

// The message of a result code: kNone for the codes of success and kSilent.
MessageId result_message_id(ResultCode code);

}  // namespace tk52
