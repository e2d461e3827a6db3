#pragma once
// Where runs keep their temporary folders, and the undoing at start of the runs whose
// installer died before they ended.
#include <windows.h>

#include <string>
#include <vector>

// A new run folder `name`: below the Windows folder's Temp, where every administrator's next
// installer looks; below TEMP when that Temp is missing or too long. Empty with `error` set
// when neither can be named.
std::wstring run_folder_path(const std::wstring& name, DWORD& error);

// The folders that may hold run folders: the Windows folder's Temp, then this user's TEMP.
std::vector<std::wstring> run_folder_places();

struct interrupted_runs_outcome {
    unsigned undone = 0;
    unsigned failed = 0;
    DWORD error = ERROR_SUCCESS; // the first failure's
};

// Undoes every interrupted run below `places`, deletes the folders of runs that completed.
interrupted_runs_outcome undo_interrupted_runs(const std::vector<std::wstring>& places,
                                               const std::wstring& product_key_name);
