// pe_imports: lists the DLLs that Windows executables import statically and fails when one of
// them may be searched for beside the program (anything but the KnownDLLs and COMCTL32.dll).
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/pe_imports.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pe_imports FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        try {
            std::ifstream in(argv[i], std::ios::binary);
            if (!in)
                throw std::runtime_error("cannot be read");
            const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const auto imports = tools::pe_imported_dlls(image);
            for (const std::string& dll : imports)
                std::printf("%s: %s\n", argv[i], dll.c_str());
            for (const std::string& dll : tools::disallowed_dlls(imports, tools::installer_allowed_dlls())) {
                std::printf("%s: %s is not a KnownDLL: it would be searched for beside the program\n", argv[i],
                            dll.c_str());
                status = 1;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pe_imports: %s: %s\n", argv[i], e.what());
            status = 1;
        }
    }
    return status;
}
