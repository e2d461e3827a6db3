#pragma once
// Names of the kernel objects shared by the processes of the product family. Every program of
// the family spells them the same way.

namespace tal {

inline constexpr const wchar_t* installer_lock_name = L"Vantrel7.{5ead623c-dfcd-474d-8e3c-e6978cac039e}";
inline constexpr const wchar_t* running_instance_counter_name = L"Vantrel7.{a3526b56-ca7c-4e16-8a26-da7758a378fd}";

} // namespace tal
