// Control identifiers of the pages. Command controls carry their operation code (0x1001..);
// the rest are named for what they are. Group boxes, captions and read-only identity fields
// share the identifiers the shell gives every control of their kind.
#pragma once

namespace tk52::ids {

inline constexpr int kGroupBox = 0x3FFF;
inline constexpr int kCaption = 0x1FFF;
inline constexpr int kIdentityField = 0x2FFF;

// Configuration page.
inline constexpr int kSpeedList = 0x2001;
inline constexpr int kTimeStampList = 0x2002;
inline constexpr int kSatelliteList = 0x2003;
inline constexpr int kUtcList = 0x2004;
inline constexpr int kHeatingList = 0x2005;
inline constexpr int kPpsSourceList = 0x2006;
inline constexpr int kPpsWidthField = 0x2007;

// Monitoring page.
inline constexpr int kTrafficLogView = 0x2101;
inline constexpr int kSatellitesField = 0x2102;
inline constexpr int kTemperatureField = 0x2103;
inline constexpr int kHeatingField = 0x2104;
inline constexpr int kSelfTestField = 0x2105;
inline constexpr int kStatusField = 0x2106;
inline constexpr int kLatitudeField = 0x2107;
inline constexpr int kLongitudeField = 0x2108;
inline constexpr int kAltitudeField = 0x2109;

// Synchronisation page.
inline constexpr int kUtcTimeField = 0x2301;
inline constexpr int kPcTimeField = 0x2302;
inline constexpr int kDifferenceField = 0x2303;
inline constexpr int kPeriodField = 0x2304;
inline constexpr int kPeriodSpin = 0x2305;
inline constexpr int kThresholdField = 0x2306;
inline constexpr int kThresholdSpin = 0x2307;

// Event journals page.
inline constexpr int kEventJournalView = 0x2401;
inline constexpr int kJournalTypeList = 0x2402;
inline constexpr int kJournalTotalField = 0x2403;
inline constexpr int kJournalWantedField = 0x2404;

// A log viewer window's view.
inline constexpr int kViewerLogView = 0x2501;

// Main window.
inline constexpr int kTabControl = 0x2201;
inline constexpr int kStatusBar = 0;

}  // namespace tk52::ids
