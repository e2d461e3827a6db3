#pragma once
// Undoes a run whose installer process died before it committed or rolled back, from the
// journal file left in its folder, and takes the folder away.
#include <windows.h>

#include <string>

enum class run_recovery {
    not_a_run, // no journal, or a folder that is not one of ours: left alone
    live,      // its installer still works on it: left alone
    committed, // the run had completed: only its temporary files were deleted
    undone,    // every change undone and the folder deleted
    failed,    // something could not be undone: the folder and its journal stay for a later try
};

// `product_key_name` names the product's Uninstall key. `error` gets the first failure's code.
run_recovery recover_run(const std::wstring& folder, const std::wstring& product_key_name, DWORD& error);

// True when `folder` is a folder (not a link) that only SYSTEM or Administrators can have made:
// a run folder that a user planted must not steer what an elevated installer deletes.
bool is_trusted_run_folder(const std::wstring& folder);

// Deletes `folder` and everything below it; links inside are removed, never followed. False
// when anything stays.
bool delete_folder_tree(const std::wstring& folder);
