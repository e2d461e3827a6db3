// A deterministic mutation driver over users_access_descriptor, the DACL rewrite behind
// grant_users_access. It is Windows code that libFuzzer cannot build for the host, so it runs
// under Wine by hand (see the README), never as part of the test suite:
//     wine dacl_mutation.exe [RUNS [SEED]]        (default: 1000000 runs, seed 20240611)
// Each input is a self-relative descriptor made from one of a few seeds with up to eight
// random mutations. What the system's own checks refuse (the descriptors a file can carry
// pass them) is counted and skipped; every other input must be rewritten into a valid
// descriptor with exactly one Users entry, or refused with the library's error value. The
// input ends at a no-access page, so that a read past its end faults; a fault prints the run
// that caused it and ends the driver with exit code 3.
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "support/security.h"

namespace {

unsigned long long current_run = 0;
const char* current_step = "";

LONG WINAPI report_fault(EXCEPTION_POINTERS* info)
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(info->ExceptionRecord->ExceptionAddress), &module);
    wchar_t name[MAX_PATH] = L"?";
    if (module)
        ::GetModuleFileNameW(module, name, MAX_PATH);
    std::printf("fault 0x%08lx at %p (%ls) in run %llu, %s\n", info->ExceptionRecord->ExceptionCode,
                info->ExceptionRecord->ExceptionAddress, name, current_run, current_step);
    std::fflush(stdout);
    ::ExitProcess(3);
}

std::vector<BYTE> seed_descriptor(const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, &size)) {
        std::printf("seed refused: %ls (%lu)\n", sddl, ::GetLastError());
        std::exit(2);
    }
    std::vector<BYTE> bytes(static_cast<BYTE*>(descriptor), static_cast<BYTE*>(descriptor) + size);
    ::LocalFree(descriptor);
    return bytes;
}

void mutate(std::vector<BYTE>& bytes, std::mt19937& random)
{
    static const BYTE interesting[] = {0x00, 0x01, 0x02, 0x04, 0x05, 0x0F, 0x10, 0x14, 0x1C, 0x7F, 0x80, 0xFE, 0xFF};
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    switch (pick(6)) {
    case 0: // one bit
        bytes[pick(bytes.size())] ^= static_cast<BYTE>(1u << pick(8));
        break;
    case 1: // one byte
        bytes[pick(bytes.size())] = interesting[pick(sizeof interesting)];
        break;
    case 2: { // a 16-bit field: ACL sizes, ACE counts and sizes are words
        const std::size_t at = pick(bytes.size() - 1);
        const WORD value = pick(2) ? static_cast<WORD>(interesting[pick(sizeof interesting)])
                                   : static_cast<WORD>(bytes[at] | bytes[at + 1] << 8) + static_cast<WORD>(pick(9)) - 4;
        bytes[at] = static_cast<BYTE>(value & 0xFF);
        bytes[at + 1] = static_cast<BYTE>(value >> 8);
        break;
    }
    case 3: // cut the end
        if (bytes.size() > 24)
            bytes.resize(bytes.size() - 1 - pick(std::min<std::size_t>(16, bytes.size() - 24)));
        break;
    case 4: // grow the end
        bytes.resize(bytes.size() + 1 + pick(16), interesting[pick(sizeof interesting)]);
        break;
    default: { // copy a run of bytes within the descriptor (ACEs duplicated or shifted)
        const std::size_t from = pick(bytes.size());
        const std::size_t to = pick(bytes.size());
        const std::size_t count = 1 + pick(std::min<std::size_t>(24, bytes.size() - std::max(from, to)));
        std::memmove(bytes.data() + to, bytes.data() + from, count);
        break;
    }
    }
}

// The system's check of a stored self-relative descriptor against its length: every part
// lies inside it. Wine's own checks take no length and would read past a cut input.
bool fits(const BYTE* bytes, std::size_t size)
{
    const auto* header = reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(bytes);
    if (size < sizeof *header || header->Revision != SECURITY_DESCRIPTOR_REVISION
        || !(header->Control & SE_SELF_RELATIVE))
        return false;
    const auto sid_fits = [&](DWORD offset) {
        if (offset == 0)
            return true;
        if (offset > size || size - offset < 8)
            return false;
        return size - offset >= 8 + 4 * std::size_t{bytes[offset + 1]};
    };
    const auto acl_fits = [&](DWORD offset, bool present) {
        if (!present || offset == 0)
            return true;
        if (offset > size || size - offset < sizeof(ACL))
            return false;
        const auto* acl = reinterpret_cast<const ACL*>(bytes + offset);
        if (acl->AclSize < sizeof(ACL) || acl->AclSize > size - offset)
            return false;
        // Each entry inside the list, and the SID of the simple kinds inside its entry.
        std::size_t at = sizeof(ACL);
        for (WORD i = 0; i < acl->AceCount; ++i) {
            if (acl->AclSize - at < sizeof(ACE_HEADER))
                return false;
            const auto* ace = reinterpret_cast<const ACE_HEADER*>(bytes + offset + at);
            if (ace->AceSize < sizeof(ACE_HEADER) || ace->AceSize % 4 != 0 || ace->AceSize > acl->AclSize - at)
                return false;
            if (ace->AceType <= ACCESS_MAX_MS_V2_ACE_TYPE) {
                const BYTE* sid = bytes + offset + at + 8;
                if (ace->AceSize < 16 || sid[0] != SID_REVISION || ace->AceSize < 16 + 4 * std::size_t{sid[1]})
                    return false;
            }
            at += ace->AceSize;
        }
        return true;
    };
    return sid_fits(header->Owner) && sid_fits(header->Group)
           && acl_fits(header->Sacl, header->Control & SE_SACL_PRESENT)
           && acl_fits(header->Dacl, header->Control & SE_DACL_PRESENT);
}

// The rewrite's result: a valid descriptor whose DACL holds the old entries but Users' and
// one Users entry of `mask`.
bool result_is_sound(PSECURITY_DESCRIPTOR input, const tal::security_descriptor_block& result, PSID users, DWORD mask)
{
    if (!::IsValidSecurityDescriptor(result.descriptor.get()))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(result.descriptor.get(), &present, &dacl, &defaulted) || !present || !dacl
        || !::IsValidAcl(dacl))
        return false;
    DWORD users_entries = 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)))
            return false;
        if (::IsValidSid(&ace->SidStart) && ::EqualSid(&ace->SidStart, users)) {
            if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || ace->Mask != mask)
                return false;
            ++users_entries;
        }
    }
    PACL old = nullptr;
    BOOL old_present = FALSE;
    ::GetSecurityDescriptorDacl(input, &old_present, &old, &defaulted);
    const DWORD old_count = old_present && old ? old->AceCount : 0;
    return users_entries == 1 && dacl->AceCount <= old_count + 1;
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned long long runs = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20240611;
    ::AddVectoredExceptionHandler(1, report_fault);

    const wchar_t* const sddl_seeds[] = {
        L"D:(A;;FA;;;BA)(A;;FA;;;SY)",
        L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)",
        L"D:AI(A;;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1301bf;;;BU)(A;OICIIOID;GA;;;CO)",
        L"D:(D;;FA;;;WD)(A;;FA;;;BU)(A;;0x1200a9;;;BU)(A;;FA;;;S-1-5-21-1-2-3-1001)",
        L"O:BAG:SYD:(A;;FA;;;BA)S:(AU;FA;FA;;;WD)",
        L"D:",
        L"D:NO_ACCESS_CONTROL",
        L"O:SYG:SY",
    };
    std::vector<std::vector<BYTE>> seeds;
    for (const wchar_t* sddl : sddl_seeds)
        seeds.push_back(seed_descriptor(sddl));

    BYTE users_sid[SECURITY_MAX_SID_SIZE];
    DWORD users_size = sizeof users_sid;
    if (!::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users_sid, &users_size))
        return 2;
    constexpr DWORD modify = 0x1301BF;

    // Inputs end right before a page nobody may touch.
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    auto* const region =
        static_cast<BYTE*>(::VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old_protection = 0;
    if (!region || !::VirtualProtect(region + page, page, PAGE_NOACCESS, &old_protection))
        return 2;

    std::mt19937 random(seed);
    unsigned long long rewritten = 0, system_refused = 0, rewrite_refused = 0;
    for (current_run = 0; current_run < runs; ++current_run) {
        std::vector<BYTE> bytes = seeds[random() % seeds.size()];
        for (unsigned n = random() % 9; n > 0; --n)
            mutate(bytes, random);
        BYTE* const input = region + page - bytes.size();
        std::memcpy(input, bytes.data(), bytes.size());

        current_step = "the system's checks";
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        if (!fits(input, bytes.size()) || !::IsValidSecurityDescriptor(input)
            || !::GetSecurityDescriptorDacl(input, &present, &dacl, &defaulted)
            || (present && dacl && !::IsValidAcl(dacl))) {
            ++system_refused;
            continue;
        }
        try {
            current_step = "the rewrite";
            const tal::security_descriptor_block result = tal::users_access_descriptor(input, users_sid, modify);
            if (!result_is_sound(input, result, users_sid, modify)) {
                std::printf("unsound rewrite in run %llu\n", current_run);
                return 1;
            }
            ++rewritten;
        } catch (long) {
            ++rewrite_refused;
        }
    }
    std::printf("%llu inputs (seed %lu): %llu rewritten, %llu refused by the system's checks, %llu refused by the "
                "rewrite, no fault\n",
                runs, seed, rewritten, system_refused, rewrite_refused);
    return 0;
}
