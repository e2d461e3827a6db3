#include "reference_payload.h"

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace bench {
namespace {

enum class content { program, incompressible, empty };

struct file_spec {
    const char* folder; // below files/
    const char* name;
    const char* destination;
    const char* kind;
    std::uint64_t size;
    content fill;
};

// Sizes within each group add up to the shipped group's total.
std::vector<file_spec> reference_files()
{
    std::vector<file_spec> files{
        {"DirectX", "DSETUP.dll", "<Temporary>", "redistributable", 94040, content::program},
        {"DirectX", "dsetup32.dll", "<Temporary>", "redistributable", 1557000, content::program},
        {"DirectX", "dxdllreg_x86.cab", "<Temporary>", "redistributable", 54688, content::incompressible},
        {"DirectX", "dxupdate.cab", "<Temporary>", "redistributable", 94218, content::incompressible},
        {"DirectX", "Jun2010_D3DCompiler_43_x86.cab", "<Temporary>", "redistributable", 1041880, content::incompressible},
        {"DirectX", "Jun2010_d3dx9_43_x86.cab", "<Temporary>", "redistributable", 885094, content::incompressible}};
    // 29 textures, 83,144 bytes in all.
    // Built once, whole: the entries keep pointers into these names.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (int i = 0; i < 29; ++i)
            all.push_back("Texture" + std::to_string(i + 1) + ".jpg");
        return all;
    }();
    for (int i = 0; i < 29; ++i) {
        files.push_back({"Textures", names[static_cast<std::size_t>(i)].c_str(), "<CommonData>\\Marrowin\\Textures\\Vantrel", "shared_data",
                         static_cast<std::uint64_t>(i < 28 ? 2867 : 83144 - 28 * 2867), content::incompressible});
    }
    for (const char* name : {"Brushes.vlib", "Colors.vlib", "Effects.vlib", "Filters.vlib", "Fonts.vlib",
                             "Gradients.vlib", "Patterns.vlib", "Shapes.vlib", "Styles.vlib"})
        files.push_back({"Library", name, "<CommonData>\\Marrowin\\Vantrel", "user_data", 0, content::empty});
    files.push_back({"UserData", "UserImages.bmp", "<UserData>\\Marrowin\\Vantrel", "user_data", 24630, content::program});
    files.push_back({"", "Uninstall.exe", "<InstallPath>", "uninstaller", 919040, content::program});
    for (const char* name : {"Vantrel.de.dll", "Vantrel.el.dll", "Vantrel.en.dll", "Vantrel.es.dll", "Vantrel.nl.dll",
                             "Vantrel.pt.dll", "Vantrel.tk.dll"})
        files.push_back({"Lang", name, "<InstallPath>\\Lang", "language_module", 397092, content::program});
    files.back().size += 2779648 - 7 * 397092;
    files.push_back({"", "Vantrel.exe", "<InstallPath>", "program", 11650560, content::program});
    return files;
}

// Code-like bytes: fragments from a small vocabulary, picked with a skewed distribution,
// mixed with literal random bytes, as machine code with its tables and strings compresses.
class program_bytes {
public:
    explicit program_bytes(std::uint64_t seed) : random_(seed)
    {
        for (int i = 0; i < 2048; ++i) {
            std::string fragment(1 + random_() % 10, '\0');
            for (char& c : fragment)
                c = static_cast<char>(random_() % 256);
            vocabulary_.push_back(fragment);
        }
    }

    void fill(std::string& out, std::size_t size)
    {
        std::geometric_distribution<int> pick(0.005);
        while (out.size() < size) {
            if (random_() % 100 < 11) {
                out += static_cast<char>(random_() % 256);
                continue;
            }
            out += vocabulary_[static_cast<std::size_t>(pick(random_)) % vocabulary_.size()];
        }
        out.resize(size);
    }

private:
    std::mt19937_64 random_;
    std::vector<std::string> vocabulary_;
};

} // namespace

std::filesystem::path write_reference_payload(const std::filesystem::path& folder, unsigned scale)
{
    std::filesystem::create_directories(folder);
    const std::filesystem::path manifest_path = folder / "payload.manifest";
    std::ofstream manifest(manifest_path);
    std::uint64_t seed = 1;
    for (const file_spec& file : reference_files()) {
        const std::filesystem::path relative = std::filesystem::path("files") / file.folder / file.name;
        std::filesystem::create_directories((folder / relative).parent_path());
        std::ofstream out(folder / relative, std::ios::binary | std::ios::trunc);
        std::mt19937_64 random(++seed);
        program_bytes program(seed);
        // Written in pieces so that the ten-fold payload needs no more memory than the first.
        const std::uint64_t total = file.size * scale;
        std::string piece;
        for (std::uint64_t written = 0; written < total; written += piece.size()) {
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(1 << 20, total - written));
            piece.clear();
            if (file.fill == content::program) {
                program.fill(piece, size);
            } else {
                piece.resize(size);
                for (char& c : piece)
                    c = static_cast<char>(random() >> 56);
            }
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        manifest << relative.generic_string() << '\t' << file.destination << '\t' << file.kind << '\n';
    }
    return manifest_path;
}

} // namespace bench
