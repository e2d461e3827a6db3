#pragma once
// A deterministic stand-in for the shipped payload: the same 54 entries with the same
// sizes, program-like bytes for executables and modules, incompressible bytes for the
// cabinets and JPEG textures.
#include <filesystem>

namespace bench {

// Writes the files and their manifest below `folder`, every size multiplied by `scale`,
// and returns the manifest's path.
std::filesystem::path write_reference_payload(const std::filesystem::path& folder, unsigned scale);

} // namespace bench
