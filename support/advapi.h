#pragma once
// advapi32's security entry points, looked up by name at first use so that one missing on an
// older Windows is an error value (E_NOTIMPL) rather than a program that cannot start. Each
// wrapper fixes the arguments the library always passes the same way and throws the HRESULT
// of the last error when the call fails.
#include <windows.h>

namespace tal {

// A system DLL, from the system folder only; absolute names are loaded as they are.
HMODULE load_system_library(const wchar_t* name);

namespace advapi {

void open_process_token(HANDLE process, DWORD access, HANDLE* token);
// TOKEN_QUERY; falls back to the process token when the thread has none.
void open_thread_token(HANDLE thread, BOOL open_as_self, HANDLE* token);
// TokenUser; a null buffer asks for the size.
void get_token_information(HANDLE token, void* buffer, DWORD length, DWORD* needed);
void lookup_privilege_value(const wchar_t* name, LUID* luid);
void adjust_token_privileges(HANDLE token, TOKEN_PRIVILEGES* state, DWORD length, TOKEN_PRIVILEGES* previous,
                             DWORD* previous_length);
void allocate_and_initialize_sid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD sub0, DWORD sub1, PSID* sid);
void copy_sid(DWORD length, PSID destination, PSID source);
bool is_valid_sid(PSID sid);
DWORD get_length_sid(PSID sid);
bool equal_sid(PSID a, PSID b);
bool free_sid(PSID sid) noexcept;
// A null SID buffer asks for the sizes; `use` is then SidTypeInvalid.
void lookup_account_name(const wchar_t* account, PSID sid, DWORD* sid_length, wchar_t* domain, DWORD* domain_length,
                         SID_NAME_USE* use);
void get_ace(PACL acl, DWORD index, void** ace);
void add_ace(PACL acl, void* aces, DWORD length);
void add_access_allowed_ace(PACL acl, DWORD mask, PSID sid);
void initialize_security_descriptor(PSECURITY_DESCRIPTOR descriptor);
void initialize_acl(PACL acl, DWORD length);
void get_acl_information(PACL acl, ACL_SIZE_INFORMATION* information);
void get_security_descriptor_dacl(PSECURITY_DESCRIPTOR descriptor, BOOL* present, PACL* dacl, BOOL* defaulted);
void set_security_descriptor_dacl(PSECURITY_DESCRIPTOR descriptor, PACL dacl);
void set_security_descriptor_group(PSECURITY_DESCRIPTOR descriptor, PSID group);
void set_security_descriptor_owner(PSECURITY_DESCRIPTOR descriptor, PSID owner);
void get_security_descriptor_control(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL* control,
                                     DWORD* revision);
void set_security_descriptor_control(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL mask,
                                     SECURITY_DESCRIPTOR_CONTROL bits);
bool is_valid_security_descriptor(PSECURITY_DESCRIPTOR descriptor);
void check_token_membership(PSID sid, BOOL* is_member);
void access_check(PSECURITY_DESCRIPTOR descriptor, HANDLE token, GENERIC_MAPPING* mapping, PRIVILEGE_SET* privileges,
                  DWORD* privileges_length, DWORD* granted, BOOL* status);
// DACL only; a null buffer asks for the size.
void get_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor, DWORD length, DWORD* needed);
void set_file_security(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor);
// DACL only, of an opened file or folder; the descriptor is the system's, freed with LocalFree.
void get_security_info(HANDLE object, PACL* dacl, PSECURITY_DESCRIPTOR* descriptor);
// `information` says which DACL parts and protection state are set.
void set_security_info(HANDLE object, SECURITY_INFORMATION information, PACL dacl);
void impersonate_self();
// Never throws: a missing entry point answers 0 with ERROR_CALL_NOT_IMPLEMENTED.
BOOL revert_to_self() noexcept;

} // namespace advapi
} // namespace tal
