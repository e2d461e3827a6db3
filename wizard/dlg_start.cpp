#include "wizard/dlg_start.h"

#include <algorithm>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/product.h"
#include "app/startup_language.h"
#include "support/language.h"

CDlgStart::~CDlgStart()
{
    if (m_imageList)
        ImageList_Destroy(m_imageList);
}

BOOL CDlgStart::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    const HWND combo = m_comboLanguage.m_hWnd;
    m_imageList = ImageList_Create(18, 12, ILC_COLOR24, 8, 1);
    ::SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList));
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    int selected = -1;
    int position = 0;
    for (const int language : languages) {
        std::wstring name = tal::native_language_name(language);
        const HICON flag = static_cast<HICON>(::LoadImageW(
            instance, MAKEINTRESOURCEW(tal::language_table_row(language).flag_icon), IMAGE_ICON, 16, 12, 0));
        const int image = ImageList_AddIcon(m_imageList, flag);
        if (flag)
            ::DestroyIcon(flag);
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
        item.iItem = position;
        item.pszText = name.data();
        item.iImage = image;
        item.iSelectedImage = image;
        item.lParam = language;
        ::SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        if (language == tal::get_language())
            selected = position;
        ++position;
    }
    // The drop-down is as wide as its widest entry, measured in the page's font.
    const HWND inner = reinterpret_cast<HWND>(::SendMessageW(combo, CBEM_GETCOMBOCONTROL, 0, 0));
    const HDC dc = ::GetDC(inner);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (int i = 0; i < position; ++i) {
        wchar_t text[257] = {};
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 30);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(inner, dc);
    ::SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return TRUE;
}

void CDlgStart::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, 1023, m_comboLanguage);
}

BOOL CDlgStart::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == 1023 && HIWORD(wParam) == CBN_SELCHANGE) {
        const LRESULT position = ::SendMessageW(m_comboLanguage.m_hWnd, CB_GETCURSEL, 0, 0);
        if (position != CB_ERR) {
            COMBOBOXEXITEMW item{};
            item.mask = CBEIF_LPARAM;
            item.iItem = position;
            ::SendMessageW(m_comboLanguage.m_hWnd, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            ChangeLanguage(static_cast<int>(item.lParam));
        }
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

void CDlgStart::RefreshTexts()
{
    std::wstring title;
    const int state = GetInstallApp().GetPreviousState(&title);
    const std::wstring product = GetProductName(false);
    const std::wstring next = LoadLocalizedString(1006);
    const std::wstring cancel = LoadLocalizedString(1002);
    std::wstring information, status;
    switch (state) {
    case 1:
        information = FormatLocalizedMessage(1102, {product}) + L"\r\n" + LoadLocalizedString(1104);
        status = FormatLocalizedMessage(1105, {next, cancel});
        break;
    case 2:
        information = FormatLocalizedMessage(1101, {title, product});
        status = FormatLocalizedMessage(1106, {next});
        break;
    case -1:
        information = FormatLocalizedMessage(1100, {product}) + L"\r\n" + FormatLocalizedMessage(1103, {title});
        status = FormatLocalizedMessage(1107, {cancel});
        break;
    default:
        information = FormatLocalizedMessage(1100, {product});
        status = FormatLocalizedMessage(1106, {next});
        break;
    }
    SetDlgItemText(1016, information);
    SetDlgItemText(1003, status);
    SetMessage(1020, 1109, {product});
    SetMessage(1022, 1014);
}

void CDlgStart::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {1023, 1020, 1016, 1003}, {}, {1016}, {1003});
}
