#include "quorvane/win/registry_settings.h"

#include "quorvane/win/wide.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace quorvane::win {
namespace {

constexpr wchar_t kKey[] = L"Software\\Quorvane";
// The longest value name the registry takes, with its terminator.
constexpr DWORD kMostName = 16384;

using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)>;

// A REG_SZ value's text: its whole UTF-16 units, without the terminators.
std::wstring textOf(const std::wstring& data, DWORD bytes) {
    std::wstring text = data.substr(0, bytes / sizeof(wchar_t));
    text.erase(text.find_last_not_of(L'\0') + 1);
    return text;
}

} // namespace

// A setting's text holds no more UTF-8 bytes than kMaxText, and so no more
// UTF-16 units: a longer value does not fit the buffer and is passed over
// unread.
window::SettingPairs RegistrySettings::load() noexcept {
    window::SettingPairs pairs;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return pairs;
    }
    const KeyHandle key(opened, &RegCloseKey);
    try {
        std::wstring name(kMostName, L'\0');
        std::wstring data(window::kMaxText + 1, L'\0');
        for (DWORD index = 0;; ++index) {
            DWORD nameSize = kMostName;
            DWORD type = REG_NONE;
            auto dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
            const LSTATUS status =
                RegEnumValueW(key.get(), index, name.data(), &nameSize, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &dataSize);
            if (status == ERROR_SUCCESS && type == REG_SZ) {
                pairs.emplace_back(narrow(std::wstring_view(name.data(), nameSize)),
                                   narrow(textOf(data, dataSize)));
            } else if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
                break; // the end, or a key that can be read no further
            }
        }
    } catch (...) {
        // What was read so far stands.
    }
    return pairs;
}

void RegistrySettings::save(const window::SettingPairs& changed) noexcept {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const KeyHandle key(created, &RegCloseKey);
    try {
        for (const auto& [name, value] : changed) {
            const std::wstring text = wide(value);
            RegSetValueExW(key.get(), wide(name).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
    } catch (...) {
        // The program goes on without the rest.
    }
}

} // namespace quorvane::win
