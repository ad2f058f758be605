// The window messages that carry reply notifications from the reader thread to the tab control:
// WM_USER-based numbers, 0x500 for the configuration reply and 0x502..0x506 for the others,
// 0x501 for a device gone from the port, with the form in wParam and the number in lParam.
#pragma once

#include <windows.h>

#include <optional>

#include "protocol/protocol_events.h"

namespace tk52::win32 {

inline constexpr UINT kConfigurationReplyMessage = 0x500;
inline constexpr UINT kDeviceGoneMessage = 0x501;
inline constexpr UINT kIdentificationReplyMessage = 0x502;
inline constexpr UINT kExtraInfoReplyMessage = 0x503;
inline constexpr UINT kSelfDiagnosticReplyMessage = 0x504;
inline constexpr UINT kDeviceErrorReplyMessage = 0x505;
inline constexpr UINT kJournalReplyMessage = 0x506;

constexpr UINT reply_message(ReplyKind kind) {
  switch (kind) {
    case ReplyKind::kConfiguration:
      return kConfigurationReplyMessage;
    case ReplyKind::kIdentification:
      return kIdentificationReplyMessage;
    case ReplyKind::kExtraInfo:
      return kExtraInfoReplyMessage;
    case ReplyKind::kSelfDiagnostic:
      return kSelfDiagnosticReplyMessage;
    case ReplyKind::kDeviceError:
      return kDeviceErrorReplyMessage;
    case ReplyKind::kJournal:
      return kJournalReplyMessage;
    case ReplyKind::kDeviceGone:
      return kDeviceGoneMessage;
  }
  return 0;
}

// The notification a message carries; nothing for any other message.
inline std::optional<ReplyNotification> reply_from_message(UINT message, WPARAM wparam,
                                                           LPARAM lparam) {
  ReplyKind kind{};
  switch (message) {
    case kConfigurationReplyMessage:
      kind = ReplyKind::kConfiguration;
      break;
    case kIdentificationReplyMessage:
      kind = ReplyKind::kIdentification;
      break;
    case kExtraInfoReplyMessage:
      kind = ReplyKind::kExtraInfo;
      break;
    case kSelfDiagnosticReplyMessage:
      kind = ReplyKind::kSelfDiagnostic;
      break;
    case kDeviceErrorReplyMessage:
      kind = ReplyKind::kDeviceError;
      break;
    case kJournalReplyMessage:
      kind = ReplyKind::kJournal;
      break;
    case kDeviceGoneMessage:
      kind = ReplyKind::kDeviceGone;
      break;
    default:
      return std::nullopt;
  }
  return ReplyNotification{kind, static_cast<std::uint8_t>(wparam),
                           static_cast<std::int32_t>(lparam)};
}

}  // namespace tk52::win32
