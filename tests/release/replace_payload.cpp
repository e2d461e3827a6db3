// Gives a copy of the built installer another payload, in place of the one the build packed:
// an installer around another product without a second build.
//   replace_payload INSTALLER PAYLOAD
#include <windows.h>

#include <cstdio>
#include <string>

#include "holders/handles.h"
#include "holders/scope_guard.h"
#include "resources/resource_ids.h"

namespace {

int fail(const char* what)
{
    std::fprintf(stderr, "replace_payload: %s failed (%lu)\n", what, ::GetLastError());
    return 1;
}

BOOL CALLBACK first_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: replace_payload INSTALLER PAYLOAD\n");
        return 2;
    }
    const tal::unique_hfile file(
        ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size))
        return fail("reading the payload");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return fail("reading the payload");

    // The new bytes replace the old only under the language the build gave the resource.
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    {
        const tal::unique_hmodule installer(::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!installer)
            return fail("opening the installer");
        ::EnumResourceLanguagesW(installer.get(), MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD),
                                 first_language, reinterpret_cast<LONG_PTR>(&language));
    }

    const HANDLE update = ::BeginUpdateResourceW(argv[1], FALSE);
    if (!update)
        return fail("BeginUpdateResourceW");
    tal::scope_guard discard([update] { ::EndUpdateResourceW(update, TRUE); });
    if (!::UpdateResourceW(update, MAKEINTRESOURCEW(RT_PAYLOAD), MAKEINTRESOURCEW(IDR_PAYLOAD), language,
                           bytes.data(), static_cast<DWORD>(bytes.size())))
        return fail("UpdateResourceW");
    discard.dismiss();
    if (!::EndUpdateResourceW(update, FALSE))
        return fail("EndUpdateResourceW");
    return 0;
}
