#include "install/uninstall_key.h"

#include <windows.h>

#include "app/product.h"
#include "state/journal.h"
#include "holders/handles.h"
#include "support/path.h"
#include "support/registry.h"

namespace {

bool set_text(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void set_number(HKEY key, const wchar_t* name, DWORD value)
{
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

} // namespace

bool WriteUninstallKey(InstallJournal& journal, const std::wstring& program, const std::wstring& uninstaller,
                       int language)
{
    const tal::unique_hkey uninstall = tal::open_key(HKEY_LOCAL_MACHINE, uninstall_key_parent, KEY_ALL_ACCESS);
    if (!uninstall)
        return false;
    bool existed = false;
    journal.NoteUninstallKeyOpening();
    const tal::unique_hkey product = tal::create_key(uninstall.get(), GetProductKeyName().c_str(), KEY_ALL_ACCESS, &existed);
    if (!product)
        return false;
    journal.BeginUninstallKey(existed ? product.get() : nullptr);

    const HKEY key = product.get();
    const bool name = set_text(key, L"DisplayName", GetProductName(false));
    // Quoted when it holds a blank: unquoted, Windows would first try to start "C:\Program.exe".
    const bool uninstall_string = set_text(key, L"UninstallString", tal::quote_spaces(uninstaller));
    set_text(key, L"DisplayIcon", program + L",0");
    set_text(key, L"DisplayVersion", product_numeric_version_text);
    set_text(key, L"Publisher", product_publisher);
    set_text(key, L"URLInfoAbout", product_web_address);
    set_text(key, L"HelpLink", product_web_address);
    set_text(key, L"URLUpdateInfo", product_web_address);
    set_text(key, L"HelpTelephone", product_support_telephone);
    set_number(key, L"NoModify", 1);
    set_number(key, L"NoRepair", 1);
    set_number(key, L"TalLanguage", static_cast<DWORD>(language));
    // On disk before the log commits the run: a power cut after it must not leave a logged
    // installation that the system no longer lists.
    ::RegFlushKey(key);

    const bool written = name && uninstall_string;
    journal.CloseEntry(written);
    return written;
}
