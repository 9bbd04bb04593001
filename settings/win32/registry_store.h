#pragma once
// The settings store over the Windows registry (the W functions; UTF-8 outside).
#include "settings/settings_store.h"

namespace qm {

class RegistryStore final : public SettingsStore {
public:
    std::string GetString(RegistryRoot root, std::string_view keyPath,
                          std::string_view valueName) override;
    void SaveString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                    std::string_view text) override;
    void DelSetting(RegistryRoot root, std::string_view keyPath,
                    std::string_view valueName) override;
    void DelKey(RegistryRoot root, std::string_view keyPath) override;
    long EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                 std::string& name) override;
};

} // namespace qm
