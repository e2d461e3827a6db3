#pragma once
// Rights and privileges: administrator membership, token privileges, and the Users group's
// access to installed files, built from well-known SIDs, one-entry DACLs and fresh security
// descriptors.
#include <windows.h>

#include <memory>

namespace tal {

// A zero-filled block of memory that the library built (a SID, a DACL, a descriptor).
using byte_block = std::unique_ptr<BYTE[]>;

enum class sid_kind : int {
    everyone = 0,             // S-1-1-0
    administrators = 1,       // S-1-5-32-544
    users = 2,                // S-1-5-32-545
    authenticated_users = 3,  // S-1-5-11
    current_user_account = 4, // the account of the current user name
    token_user = 5,           // the user of the thread's (or the process's) token
};

// Owns one SID: FreeSid for those the system allocated, delete for the library's own.
class sid_holder {
public:
    sid_holder() noexcept = default;
    sid_holder(PSID sid, bool allocated_by_new) noexcept : sid_(sid), allocated_by_new_(allocated_by_new) {}
    sid_holder(sid_holder&& other) noexcept;
    sid_holder& operator=(sid_holder&& other) noexcept;
    sid_holder(const sid_holder&) = delete;
    sid_holder& operator=(const sid_holder&) = delete;
    ~sid_holder();

    PSID get() const noexcept { return sid_; }
    bool allocated_by_new() const noexcept { return allocated_by_new_; }

private:
    void reset() noexcept;

    PSID sid_ = nullptr;
    bool allocated_by_new_ = false;
};

// A zeroed block of `size` bytes; throws E_OUTOFMEMORY as a long.
byte_block allocate_block(std::size_t size);

// Throws the HRESULT of the failure as a long.
sid_holder well_known_sid(sid_kind kind);

// An ACL with one access-allowed entry (no inheritance flags) for `sid`. Throws as above.
byte_block make_single_ace_dacl(PSID sid, DWORD mask);

// An empty absolute security descriptor of this process's pointer width. Throws as above.
byte_block new_security_descriptor();

bool is_user_admin();
bool set_privilege(const wchar_t* name, bool enable);

// A privilege of the process token enabled for the life of the holder, disabled again after.
class enabled_privilege {
public:
    explicit enabled_privilege(const wchar_t* name) : name_(name), enabled_(set_privilege(name, true)) {}
    ~enabled_privilege()
    {
        if (enabled_)
            set_privilege(name_, false);
    }
    enabled_privilege(const enabled_privilege&) = delete;
    enabled_privilege& operator=(const enabled_privilege&) = delete;

    bool enabled() const noexcept { return enabled_; }

private:
    const wchar_t* name_;
    bool enabled_;
};

// Gives the local Users group exactly one explicit allow entry with `mask` on a file or
// folder, after the other explicit entries and before the inherited ones.
bool grant_users_access(const wchar_t* path, DWORD mask);

// Gives `who` exactly one explicit allow entry with `mask` on an opened file or folder (opened
// with READ_CONTROL and WRITE_DAC), placed as grant_users_access places the Users entry. On the
// handle, so that a name changed meanwhile cannot redirect the grant.
bool grant_access(HANDLE object, sid_kind who, DWORD mask);

// The administrator test by an access check against a descriptor that only Administrators
// may use, for systems without CheckTokenMembership.
bool is_admin_by_access_check();

// A descriptor and the DACL it points to.
struct security_descriptor_block {
    byte_block descriptor;
    byte_block dacl;
};

// The descriptor that grant_users_access writes, made from the path's current one. Throws.
security_descriptor_block users_access_descriptor(PSECURITY_DESCRIPTOR current, PSID users, DWORD mask);

// The descriptor that grant_access writes for `who`: the same rewrite with that SID. Throws.
security_descriptor_block access_descriptor(PSECURITY_DESCRIPTOR current, sid_kind who, DWORD mask);
} // namespace tal
