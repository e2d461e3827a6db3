#include "app/product.h"

std::wstring GetProductName(bool nameOnly)
{
    std::wstring name = product_name;
    if (!nameOnly)
        name += std::wstring(L" ") + product_version_text;
    return name;
}

std::wstring GetProductKeyName()
{
    std::wstring name = product_name;
    if (name.empty() || name.back() < L'0' || name.back() > L'9')
        name += L" " + std::to_wstring(product_major_version);
    return name;
}

std::wstring GetRunRegisterKey()
{
    return std::wstring(L"Software\\") + product_publisher + L"\\" + GetProductKeyName() + L"\\Installer Runs";
}
