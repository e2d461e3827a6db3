#pragma once
// The folders of the runs that may have changed the machine, recorded below HKEY_LOCAL_MACHINE
// where only administrators write, each with the identity of the folder the run made: the
// next installer undoes only these, never a folder that somebody else put in its place.
#include <windows.h>

#include <string>
#include <vector>

// Records `folder`, which the run has just made, in `key` (below HKEY_LOCAL_MACHINE), flushed
// to disk: ERROR_SUCCESS or the error.
DWORD record_run_folder(const std::wstring& key, const std::wstring& folder);

// Forgets `folder`, then `key` and the keys above it that nothing else is left in.
void forget_run_folder(const std::wstring& key, const std::wstring& folder);

struct recorded_runs {
    std::vector<std::wstring> folders; // still the folders their runs made
    std::vector<std::wstring> gone;    // missing, or another folder under the same name
};

recorded_runs read_recorded_runs(const std::wstring& key);
