#pragma once
#include <string>

namespace tal {

// A shell link to `target` in `folder`, named `name` (or after the target without its
// extension), working in the target's folder. `link` receives the link's path on success.
bool CreateShortcut(const std::wstring& target, const std::wstring& folder, const wchar_t* name,
                    std::wstring* link = nullptr);

} // namespace tal
