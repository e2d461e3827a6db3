// Writes the reference payload's files and manifest for the installation benchmark, which
// packs them into installers of its own. reference_files FOLDER
#include <cstdio>

#include "reference_payload.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::printf("%s\n", bench::write_reference_payload(argv[1], 1).string().c_str());
    return 0;
}
