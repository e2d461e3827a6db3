#pragma once
// Where runs keep their temporary folders, and the undoing at start of the runs whose
// installer died before they ended.
#include <windows.h>

#include <string>

// A new run folder `name`: below the Windows folder's Temp, the machine's own place for it;
// below TEMP when that Temp is missing or too long. Empty with `error` set when neither can
// be named.
std::wstring run_folder_path(const std::wstring& name, DWORD& error);

struct interrupted_runs_outcome {
    unsigned undone = 0;
    unsigned failed = 0;
    DWORD error = ERROR_SUCCESS; // the first failure's
};

// Undoes every interrupted run recorded in `register_key` (below HKEY_LOCAL_MACHINE) and
// deletes what the runs that ended left. Shows nothing: the caller tells the user.
interrupted_runs_outcome undo_interrupted_runs(const std::wstring& register_key, const std::wstring& product_key_name);
// The same for this product's runs, wherever any administrator's installer put them.
interrupted_runs_outcome undo_interrupted_runs();

// The one line that tells the user what became of the interrupted runs, in the current
// language: that they were undone, or why one was not; empty when there were none.
std::wstring interrupted_runs_message(const interrupted_runs_outcome& outcome);
