#pragma once
// Undoes a run whose installer process died before it committed or rolled back, from the
// journal file left in its folder, and takes the folder away.
#include <windows.h>

#include <string>

enum class run_recovery {
    not_a_run, // not a folder, or a link: left alone
    live,      // its installer still works on it: left alone
    committed, // the run had completed: only its temporary files were deleted
    ended,     // no journal: the run had ended or not begun; what it left was deleted
    undone,    // every change undone and the folder deleted
    failed,    // something could not be undone: the folder and its journal stay for a later try
};

// `folder` must be one that a run made (see run_register.h): its journal is believed.
// `product_key_name` names the product's Uninstall key. `error` gets the first failure's code.
run_recovery recover_run(const std::wstring& folder, const std::wstring& product_key_name, DWORD& error);

// Deletes `folder` and everything below it; links inside are removed, never followed. False
// when anything stays.
bool delete_folder_tree(const std::wstring& folder);
