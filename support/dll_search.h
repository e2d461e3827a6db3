#pragma once

namespace tal {

// Leaves the program's own folder and the current folder out of the search for DLLs loaded by
// name, static imports loaded later included: only the system folder is searched where
// kernel32 has SetDefaultDllDirectories (Windows 8, Windows 7 and Vista with KB2533623); on
// older systems at least the current folder is dropped. True when the system folder alone is
// searched from now on.
bool restrict_dll_search() noexcept;

} // namespace tal
