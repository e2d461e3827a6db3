#pragma once
// The folders the installer proposes when the previous installation gives none.
#include <optional>
#include <string>

// Program Files, else the registry's ProgramFilesDir, else the Windows folder's root with
// "Program Files"; then "Marrowin" and the product key name.
std::wstring DefaultInstallFolder();
// The all-users Programs folder, else the user's; then "Marrowin" and the product key name.
std::wstring DefaultStartMenuFolder();

std::wstring default_install_folder(const std::optional<std::wstring>& program_files,
                                    const std::optional<std::wstring>& registry_value,
                                    const std::wstring& windows_folder, const std::wstring& key_name);
