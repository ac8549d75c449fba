// The tree behind the registry functions outside Windows (platform/Registry.h), and its
// file. Only Registry.cpp uses it.
#pragma once

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

struct RegistryValue {
    std::u16string name; // empty: the key's default value
    DWORD type = 0;
    std::vector<uint8_t> data;
};

struct RegistryKey {
    std::u16string name;
    std::vector<RegistryValue> values;
    std::vector<std::unique_ptr<RegistryKey>> subkeys;

    // Children and values by name, letter case ignored; null when absent.
    RegistryKey* FindSubkey(std::u16string_view subName) const;
    RegistryValue* FindValue(std::u16string_view valueName);
    RegistryKey* AddSubkey(std::u16string_view subName);
    bool RemoveSubkey(const RegistryKey* subkey);
};

enum RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kRegistryRootCount };

struct RegistryTree {
    RegistryKey roots[kRegistryRootCount];
};

// ASCII letters compare without regard to case, as the registry's names do.
bool SameRegistryName(std::u16string_view a, std::u16string_view b);

// Reads the file at path. A missing file gives an empty tree, as does one that is not
// entirely well formed; either way the always-present keys are there.
RegistryTree LoadRegistry(const std::string& path);

// Replaces the file at path with tree's contents, through a temporary file in the same
// directory (made with its parents if needed). A Win32 error code.
LONG SaveRegistry(const std::string& path, const RegistryTree& tree);

} // namespace orvel
#endif
