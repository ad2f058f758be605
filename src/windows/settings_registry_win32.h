// The remembered port and speed under the per-user key.
#pragma once

#include "app/settings.h"

namespace tk52::win32 {

// Reads ComPort and BaudRate; what cannot be read keeps its default.
Settings read_settings();

class RegistrySettings final : public SettingsStore {
 public:
  void save(const Settings& settings) override;
};

}  // namespace tk52::win32
