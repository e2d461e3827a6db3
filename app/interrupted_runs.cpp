#include "app/interrupted_runs.h"

#include <shlwapi.h>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "state/run_recovery.h"
#include "state/run_register.h"
#include "support/error_box.h"
#include "support/path.h"
#include "support/temporary_folder.h"

std::wstring run_folder_path(const std::wstring& name, DWORD& error)
{
    const std::wstring windows = tal::windows_folder();
    const std::wstring temp = windows.empty() ? std::wstring() : tal::append_path(windows, L"Temp");
    if (!temp.empty() && ::PathIsDirectoryW(temp.c_str())) {
        const std::wstring path =
            tal::choose_temporary_path(temp + L"\\", windows, name, error, tal::temporary_folder_room);
        if (!path.empty())
            return path;
    }
    return tal::temporary_path_for(name, error);
}

interrupted_runs_outcome undo_interrupted_runs(const std::wstring& register_key, const std::wstring& product_key_name)
{
    interrupted_runs_outcome outcome;
    const recorded_runs runs = read_recorded_runs(register_key);
    // A folder that is gone or was replaced is no run's any more.
    for (const std::wstring& folder : runs.gone)
        forget_run_folder(register_key, folder);
    // Runs never overlap, since each held the installer lock while it changed the machine:
    // each is undone on its own.
    for (const std::wstring& folder : runs.folders) {
        DWORD error = ERROR_SUCCESS;
        switch (recover_run(folder, product_key_name, error)) {
        case run_recovery::undone:
            ++outcome.undone;
            forget_run_folder(register_key, folder);
            break;
        case run_recovery::committed:
        case run_recovery::ended: forget_run_folder(register_key, folder); break;
        case run_recovery::failed:
            ++outcome.failed;
            if (outcome.error == ERROR_SUCCESS)
                outcome.error = error;
            break;
        case run_recovery::live:
        case run_recovery::not_a_run: break;
        }
    }
    return outcome;
}

interrupted_runs_outcome undo_interrupted_runs()
{
    return undo_interrupted_runs(GetRunRegisterKey(), GetProductKeyName());
}

std::wstring interrupted_runs_message(const interrupted_runs_outcome& outcome)
{
    if (outcome.failed > 0)
        return FormatLocalizedMessage(MSG_INTERRUPTED_RUN_NOT_UNDONE,
                                      {GetProductName(true), tal::system_message_text(outcome.error, 0)});
    if (outcome.undone > 0)
        return FormatLocalizedMessage(MSG_INTERRUPTED_RUN_UNDONE, {GetProductName(true)});
    return {};
}
