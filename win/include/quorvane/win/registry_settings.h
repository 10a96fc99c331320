#pragma once

#include "quorvane/window/settings.h"

namespace quorvane::win {

// The window's remembered settings in HKEY_CURRENT_USER\Software\Quorvane,
// one REG_SZ value a key, its text UTF-16. Neither call fails: what cannot be
// read is left to the settings' defaults, what cannot be written is lost.
class RegistrySettings final {
public:
    // Every REG_SZ value of the key; a value of another type, or longer than
    // any setting may be, is passed over; no key gives no pairs.
    static window::SettingPairs load() noexcept;
    // Writes the pairs given and no other value.
    static void save(const window::SettingPairs& changed) noexcept;
};

} // namespace quorvane::win
