#pragma once
// The product this installer carries.
#include <cstdint>
#include <string>

inline constexpr const wchar_t* product_name = L"Vantrel";
inline constexpr const wchar_t* product_version_text = L"7.05a";
inline constexpr unsigned product_major_version = 7;
inline constexpr const wchar_t* product_publisher = L"Marrowin";
inline constexpr const wchar_t* product_web_address = L"https://www.marrowin.example/vantrel";
inline constexpr const wchar_t* product_support_telephone = L"+33 3 88 00 00 00";
// 7.5.1.1, compared with the installed program's file version.
inline constexpr std::uint64_t product_numeric_version = 0x0007000500010001ull;
inline constexpr const wchar_t* product_numeric_version_text = L"7.5.1.1";

// The product name alone, or followed by a blank and its version ("Vantrel 7.05a").
std::wstring GetProductName(bool nameOnly);

// The name of the product's Uninstall key and of its folders: the name, then, unless it ends
// in a digit, a blank and the major version ("Vantrel 7").
std::wstring GetProductKeyName();

// The key below HKEY_LOCAL_MACHINE that lists the folders of the runs not yet ended
// ("Software\Marrowin\Vantrel 7\Installer Runs").
std::wstring GetRunRegisterKey();
