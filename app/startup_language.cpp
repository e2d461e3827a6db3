#include "app/startup_language.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/product.h"
#include "framework/winapp.h"
#include "state/journal.h"
#include "support/language.h"
#include "support/message_box.h"

namespace {

constexpr unsigned product_language_mask = 0x40BF;
constexpr int english = 1;

std::function<void()>& refresh_hook()
{
    static std::function<void()> hook;
    return hook;
}

void rebuild_application_name()
{
    if (CWinApp* app = AfxGetApp())
        app->m_strAppName = GetInstallerTitle(true);
}

} // namespace

int startup_language(int ui_index, std::optional<unsigned> recorded)
{
    int language = ui_index;
    if (recorded && IsProductLanguage(static_cast<int>(*recorded)))
        language = static_cast<int>(*recorded);
    return IsInstallerTranslated(language) ? language : english;
}

std::optional<unsigned> recorded_language(const std::wstring& key_name)
{
    const std::wstring key = std::wstring(uninstall_key_parent) + L"\\" + key_name;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::SHGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"TalLanguage", nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void ChooseStartupLanguage()
{
    tal::set_language(tal::language_from_user_ui(product_language_mask));
    const int chosen = startup_language(tal::get_language(), recorded_language(GetProductKeyName()));
    if (chosen != tal::get_language())
        tal::set_language(chosen);
    rebuild_application_name();
}

void ChangeLanguage(int index)
{
    tal::set_language(index);
    if (!IsInstallerTranslated(index)) {
        const std::wstring text = FormatLocalizedMessage(MSG_UNDER_TRANSLATION, {GetProductName(true)});
        tal::message_box(text.c_str(), nullptr, MB_ICONINFORMATION | MB_OK);
    }
    rebuild_application_name();
    if (refresh_hook())
        refresh_hook()();
}

void UseLanguage(int index)
{
    tal::set_language(index);
    rebuild_application_name();
}

void SetLanguageRefreshHook(std::function<void()> hook)
{
    refresh_hook() = std::move(hook);
}
