// "Файл" → "Сохранить конфигурацию..." and "Загрузить конфигурацию...": the configuration page's
// lists kept in a profile file, and filled from one (nothing is written to the clock until the
// operator presses "Записать").
#pragma once

#include <windows.h>

namespace tk52 {

class ConfigurationOperations;

void save_configuration_profile(HWND owner, const ConfigurationOperations& operations);
void load_configuration_profile(HWND owner, ConfigurationOperations& operations);

}  // namespace tk52
