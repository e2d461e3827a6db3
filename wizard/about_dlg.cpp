#include "wizard/about_dlg.h"

#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "support/version_info.h"

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    tal::version_info version;
    version.request = tal::version_info::title_bit | tal::version_info::copyright_bit;
    tal::read_version_info(version);
    std::wstring pattern = LoadLocalizedString(MSG_ABOUT);
    if (pattern.empty()) {
        wchar_t text[256] = {};
        ::GetWindowTextW(m_hWnd, text, 256);
        pattern = text;
    }
    ::SetWindowTextW(m_hWnd, format_inserts(pattern, {GetInstallerTitle(false)}).c_str());
    if (!version.title.empty())
        SetDlgItemText(IDC_ABOUT_TITLE, version.title);
    if (!version.copyright.empty())
        SetDlgItemText(IDC_ABOUT_COPYRIGHT, version.copyright);
    SetDlgItemText(IDOK, LoadLocalizedString(MSG_OK));
    return TRUE;
}
