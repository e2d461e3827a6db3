// The reader of a PE file's import directory, on images written by the test, and the check of
// the DLLs an elevated program may import.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pe_imports.h"
#include "tools/pe_resource.h"

namespace {

// A 32-bit image with one section (file offset 0x200, address 0x1000) whose import directory
// names `dlls`, one descriptor each, then the zero descriptor.
class image_bytes {
public:
    std::string bytes = std::string(0x600, '\0');

    explicit image_bytes(const std::vector<std::string>& dlls)
    {
        put(0, 0x5A4D, 2);
        put(0x3C, 0x40, 4);
        put(0x40, 0x00004550, 4);
        put(0x40 + 6, 1, 2);     // sections
        put(0x40 + 20, 224, 2);  // optional header size
        put(optional, 0x10B, 2); // PE32
        put(optional + 92, 16, 4);
        put(optional + 96 + 8, 0x1000, 4); // import directory
        put(optional + 96 + 12, static_cast<std::uint32_t>(20 * (dlls.size() + 1)), 4);
        const std::size_t section = optional + 224;
        put(section + 8, 0x400, 4);
        put(section + 12, 0x1000, 4);
        put(section + 16, 0x400, 4);
        put(section + 20, 0x200, 4);
        std::uint32_t name = 0x1200;
        for (std::size_t i = 0; i < dlls.size(); ++i) {
            put(0x200 + 20 * i + 12, name, 4);
            put(0x200 + 20 * i + 16, 0x1180, 4); // thunks
            bytes.replace(0x200 + (name - 0x1000), dlls[i].size() + 1, dlls[i] + '\0');
            name += 0x20;
        }
    }

    void put(std::size_t offset, std::uint32_t value, int width)
    {
        for (int i = 0; i < width; ++i)
            bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    std::size_t descriptor(std::size_t index) const { return 0x200 + 20 * index; }

    static constexpr std::size_t optional = 0x40 + 24;
};

TEST(PeImports, NamesInTableOrder)
{
    const image_bytes image({"KERNEL32.dll", "VERSION.dll", "msvcrt.dll"});
    EXPECT_EQ(tools::pe_imported_dlls(image.bytes),
              (std::vector<std::string>{"KERNEL32.dll", "VERSION.dll", "msvcrt.dll"}));
    EXPECT_TRUE(tools::pe_imported_dlls(image_bytes({}).bytes).empty());
}

TEST(PeImports, NoImportDirectory)
{
    image_bytes image({"KERNEL32.dll"});
    image.put(image_bytes::optional + 96 + 8, 0, 4);
    EXPECT_TRUE(tools::pe_imported_dlls(image.bytes).empty());
    image.put(image_bytes::optional + 92, 1, 4); // only the export directory is declared
    image.put(image_bytes::optional + 96 + 8, 0x1000, 4);
    EXPECT_TRUE(tools::pe_imported_dlls(image.bytes).empty());
}

TEST(PeImports, MalformedImagesAreRefused)
{
    struct damage {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
    };
    const image_bytes good({"KERNEL32.dll"});
    for (const damage& d : {damage{"name outside every section", good.descriptor(0) + 12, 0x9000, 4},
                            damage{"directory outside every section", image_bytes::optional + 96 + 8, 0x5000, 4},
                            damage{"section past the end of the file", image_bytes::optional + 224 + 20, 0x5F0, 4},
                            damage{"no PE signature", 0x40, 0x4551, 4}}) {
        image_bytes image({"KERNEL32.dll"});
        image.put(d.offset, d.value, d.width);
        EXPECT_THROW(tools::pe_imported_dlls(image.bytes), tools::pe_error) << d.what;
    }
    // A name that runs to the end of the file.
    image_bytes unterminated({"KERNEL32.dll"});
    unterminated.put(unterminated.descriptor(0) + 12, 0x13FC, 4);
    unterminated.bytes.replace(0x5FC, 4, "abcd");
    EXPECT_THROW(tools::pe_imported_dlls(unterminated.bytes), tools::pe_error);
    EXPECT_THROW(tools::pe_imported_dlls(good.bytes.substr(0, 0x300)), tools::pe_error);
}

TEST(PeImports, OnlyKnownDllsAndComctl32AreAllowed)
{
    const std::vector<std::string> imports{"ADVAPI32.dll", "bcrypt.dll", "COMCTL32.DLL", "GDI32.dll",
                                           "KERNEL32.dll", "msvcrt.dll", "ole32.dll",    "SHELL32.dll",
                                           "SHLWAPI.dll",  "USER32.dll", "VERSION.dll",  "uxtheme.dll",
                                           "WINHTTP.dll",  "oleaut32.dll", "comdlg32.dll"};
    EXPECT_EQ(tools::disallowed_dlls(imports, tools::installer_allowed_dlls()),
              (std::vector<std::string>{"bcrypt.dll", "VERSION.dll", "uxtheme.dll", "WINHTTP.dll"}));
    // Not KnownDLLs on every system from Windows 7 on.
    for (const char* dll : {"version.dll", "bcrypt.dll", "wininet.dll", "urlmon.dll", "combase.dll", "shcore.dll",
                            "lpk.dll", "usp10.dll", "dbghelp.dll", "cryptbase.dll"})
        EXPECT_EQ(tools::disallowed_dlls({dll}, tools::installer_allowed_dlls()).size(), 1u) << dll;
}

} // namespace
