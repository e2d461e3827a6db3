#include "wizard/dlg_start.h"

#include <algorithm>

#include "app/install_app.h"
#include "app/localized_strings.h"
#include "app/message_keys.h"
#include "app/previous_installation.h"
#include "app/product.h"
#include "app/startup_language.h"
#include "support/language.h"
#include "support/text_width.h"

namespace {

// Entries are read back with at most this many characters.
constexpr int max_name_chars = 256;
// Room beside an entry's text for its flag and the list's edges.
constexpr int drop_down_margin = 30;

} // namespace

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
    const tal::window_dc dc(inner, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (int i = 0; i < position; ++i) {
        wchar_t text[max_name_chars + 1] = {};
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = max_name_chars;
        ::SendMessageW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        widest = std::max(widest, dc.text_width(text) + drop_down_margin);
    }
    ::SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return TRUE;
}

void CDlgStart::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LANGUAGE, m_comboLanguage);
}

BOOL CDlgStart::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_LANGUAGE && HIWORD(wParam) == CBN_SELCHANGE) {
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
    const std::wstring next = LoadLocalizedString(MSG_NEXT);
    const std::wstring cancel = LoadLocalizedString(MSG_CANCEL);
    std::wstring information, status;
    switch (state) {
    case PREVIOUS_SAME_VERSION:
        information = FormatLocalizedMessage(MSG_ALREADY_INSTALLED, {product}) + L"\r\n"
                      + LoadLocalizedString(MSG_CONFIRM_REINSTALLATION);
        status = FormatLocalizedMessage(MSG_CONTINUE_OR_EXIT, {next, cancel});
        break;
    case PREVIOUS_OLDER_VERSION:
        information = FormatLocalizedMessage(MSG_UPDATE_FROM_TO, {title, product});
        status = FormatLocalizedMessage(MSG_CLICK_TO_CONTINUE, {next});
        break;
    case PREVIOUS_NEWER_VERSION:
        information = FormatLocalizedMessage(MSG_INSTALLATION_OF, {product}) + L"\r\n"
                      + FormatLocalizedMessage(MSG_NEWER_INSTALLED, {title});
        status = FormatLocalizedMessage(MSG_CLICK_TO_EXIT, {cancel});
        break;
    default:
        information = FormatLocalizedMessage(MSG_INSTALLATION_OF, {product});
        status = FormatLocalizedMessage(MSG_CLICK_TO_CONTINUE, {next});
        break;
    }
    SetDlgItemText(IDC_TEXT, information);
    SetDlgItemText(IDC_STATUS, status);
    SetMessage(IDC_VERSION, MSG_VERSION, {product});
    SetMessage(IDC_LANGUAGE_LABEL, MSG_SELECT_LANGUAGE);
}

void CDlgStart::Stretch(int dx, int dy)
{
    StretchControls(dx, dy, {IDC_LANGUAGE, IDC_VERSION, IDC_TEXT, IDC_STATUS}, {}, {IDC_TEXT}, {IDC_STATUS});
}
