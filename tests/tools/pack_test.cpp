// The packer and the command-line tool, end to end on the host.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <sys/wait.h>

#include "payload/archive_format.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "test_support.h"
#include "tools/archive_listing.h"
#include "tools/manifest.h"
#include "tools/pack.h"
#include "tools/pe_resource.h"

namespace {

struct command_result {
    int status;
    std::string output;
};

command_result run(const std::string& arguments)
{
    const std::string command = std::string(PAYLOAD_TOOL) + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {-1, ""};
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

class Pack : public ::testing::Test {
protected:
    test::temp_folder folder;
    std::string program = std::string(70000, 'p') + "tail";

    std::filesystem::path manifest()
    {
        test::write_file(folder.path() / "in" / "Vantrel.exe", program);
        test::write_file(folder.path() / "in" / "Empty.lib", "");
        test::write_file(folder.path() / "in" / "Pic.bmp", "BMpicture");
        test::write_file(folder.path() / "in" / "DSETUP.dll", "dsetup");
        const auto path = folder.path() / "in" / "payload.manifest";
        test::write_file(path, "DSETUP.dll\t<Temporary>\tredistributable\n"
                               "Empty.lib\t<CommonData>\\Marrowin\\Vantrel\tuser_data\n"
                               "Pic.bmp\t<UserData>\\Marrowin\\Vantrel\tuser_data\n"
                               "Vantrel.exe\t<InstallPath>\tprogram\n");
        return path;
    }
    std::string q(const std::filesystem::path& p) const { return "'" + p.string() + "'"; }
};

TEST_F(Pack, ArchiveHoldsTheFilesInManifestOrderAndExtractsThem)
{
    const auto out = folder.path() / "payload.bz2";
    tools::pack(tools::read_manifest(manifest()), out);

    const std::string compressed = test::read_file(out);
    ASSERT_EQ(compressed.rfind("BZh9", 0), 0u);
    tal::imemstream source(compressed.data(), compressed.size());
    const tools::archive_listing listing = tools::list_archive(source);
    ASSERT_EQ(listing.entries.size(), 4u);
    EXPECT_EQ(listing.entries[0].kind, 5u);
    EXPECT_EQ(listing.entries[3].source, L"Vantrel.exe");
    EXPECT_EQ(listing.entries[3].size, program.size());
    EXPECT_EQ(listing.entries[3].crc, test::reference_crc32(program));
    EXPECT_EQ(listing.entries[1].crc, 0u);
    EXPECT_EQ(listing.total_size, listing.header_size + program.size() + 9 + 6);

    const command_result r = run("extract " + q(out) + " --install-path " + q(folder.path() / "app")
                                 + " --temporary-path " + q(folder.path() / "tmp") + " --special-root "
                                 + q(folder.path() / "sys"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(test::read_file(folder.path() / "app" / "Vantrel.exe"), program);
    EXPECT_EQ(test::read_file(folder.path() / "tmp" / "DSETUP.dll"), "dsetup");
    EXPECT_EQ(test::read_file(folder.path() / "sys" / "UserData" / "Marrowin" / "Vantrel" / "Pic.bmp"), "BMpicture");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "sys" / "CommonData" / "Marrowin" / "Vantrel" / "Empty.lib"));
    EXPECT_NE(r.output.find((folder.path() / "app" / "Vantrel.exe").string() + "\n"), std::string::npos);
}

// The archive names each source as the manifest writes it, so the folder the files were
// packed in leaves no trace: two checkouts give the same bytes.
TEST_F(Pack, SameManifestInTwoFoldersGivesTheSameArchive)
{
    const std::string text = "bin/Vantrel.exe\t<InstallPath>\tprogram\n"
                             "./data/../data/Pic.bmp\t<UserData>\\Marrowin\\Vantrel\tuser_data\n";
    std::vector<std::string> archives;
    for (const char* checkout : {"one", "a much/longer checkout folder"}) {
        const auto root = folder.path() / checkout;
        test::write_file(root / "bin" / "Vantrel.exe", program);
        test::write_file(root / "data" / "Pic.bmp", "BMpicture");
        test::write_file(root / "payload.manifest", text);
        ASSERT_EQ(run("pack " + q(root / "payload.manifest") + " " + q(root / "payload.bz2")).status, 0);
        archives.push_back(test::read_file(root / "payload.bz2"));
    }
    EXPECT_EQ(archives[0], archives[1]);

    tal::imemstream source(archives[0].data(), archives[0].size());
    const tools::archive_listing listing = tools::list_archive(source);
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].source, L"bin\\Vantrel.exe");
    EXPECT_EQ(listing.entries[1].source, L"data\\Pic.bmp");
}

TEST_F(Pack, ListAndTestCommands)
{
    const auto out = folder.path() / "payload.bz2";
    ASSERT_EQ(run("pack " + q(manifest()) + " " + q(out)).status, 0);

    const command_result list = run("list " + q(out));
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.output.find("redistributable             6 C1984DC2  <Temporary>  DSETUP.dll\n"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("00000000  <CommonData>\\Marrowin\\Vantrel  Empty.lib"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("4 entries, header_size "), std::string::npos) << list.output;
    EXPECT_EQ(run("test " + q(out)).status, 0);

    std::string damaged = test::read_file(out);
    damaged[3] = '0'; // no such block size: the decompressor refuses the stream at once
    test::write_file(out, damaged);
    EXPECT_EQ(run("test " + q(out)).status, 1);
    const command_result r = run("extract " + q(out) + " --install-path " + q(folder.path() / "app")
                                 + " --special-root " + q(folder.path() / "sys"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("error: 6"), std::string::npos) << r.output;
}

TEST_F(Pack, ExtractWithoutSpecialFoldersFailsBeforeWriting)
{
    const auto out = folder.path() / "payload.bz2";
    tools::pack(tools::read_manifest(manifest()), out);
    const command_result r = run("extract " + q(out) + " --install-path " + q(folder.path() / "app"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "error: 7\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "app"));
}

TEST_F(Pack, ExtractReportsTheErrorTextAndPath)
{
    test::archive_bytes archive;
    archive.add(L"x.bin", L"<InstallPath>", "data");
    archive.back().crc += 1;
    const auto out = folder.path() / "bad.bz2";
    test::write_file(out, test::compress(archive.bytes()));
    const command_result r = run("extract " + q(out) + " --install-path " + q(folder.path() / "app"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "error: 3 " + (folder.path() / "app" / "x.bin").string() + "\n");
}

TEST_F(Pack, FailedPackWritesNothing)
{
    const auto source = manifest();
    test::write_file(source, test::read_file(source) + "Nope.dll\t<InstallPath>\tprogram\n");
    const auto out = folder.path() / "payload.bz2";
    const command_result r = run("pack " + q(source) + " " + q(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("payload.manifest:5: source file not found"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(run("frobnicate").status, 2);
    EXPECT_EQ(run("extract " + q(out)).status, 2);
}

// header_size then `rest`: a header that claims more than the stream holds, or more than any
// archive needs.
std::string archive_with_header_size(std::uint64_t header_size, const std::string& rest)
{
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>((header_size >> (8 * i)) & 0xFF);
    return bytes + rest;
}

TEST_F(Pack, HugeHeaderSizeIsRefusedBeforeItIsGathered)
{
    // A terabyte claimed, a mebibyte of zeros there: refused for the size, not after reading
    // to the end of the stream.
    const std::string lying =
        test::compress(archive_with_header_size(std::uint64_t{1} << 40, std::string(1 << 20, '\0')));
    tal::imemstream source(lying.data(), lying.size());
    try {
        tools::list_archive(source);
        ADD_FAILURE() << "listed";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), make_error_code(payload::compress_errc::unexpected_error));
        EXPECT_NE(std::string(e.what()).find("header_size 1099511627776 is above the limit of 16777216"),
                  std::string::npos)
            << e.what();
    }

    // Complete and well formed, but for a header one byte over the limit.
    test::archive_bytes archive;
    archive.add(L"x.bin", L"<InstallPath>", "data");
    std::string header = archive.header();
    header.resize(payload::maximal_header_size + 1, '\0');
    const auto out = folder.path() / "big.bz2";
    test::write_file(out, test::compress(archive_with_header_size(payload::maximal_header_size + 1, header.substr(8))
                                         + "data"));
    const command_result list = run("list " + q(out));
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.output.find("is above the limit"), std::string::npos) << list.output;
    const command_result extract = run("extract " + q(out) + " --install-path " + q(folder.path() / "app"));
    EXPECT_EQ(extract.status, 1);
    EXPECT_EQ(extract.output, "error: 7\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "app"));
}

// The sources as they are, except one whose second reading gives other bytes.
tools::source_opener changing_on_second_read(const std::string& name, std::string second)
{
    auto opened = std::make_shared<std::map<std::filesystem::path, int>>();
    return [opened, name, second](const std::filesystem::path& path) -> std::unique_ptr<std::istream> {
        if (++(*opened)[path] == 2 && path.filename() == name)
            return std::make_unique<std::istringstream>(second);
        return std::make_unique<std::istringstream>(test::read_file(path));
    };
}

TEST_F(Pack, SourceChangedWhilePackingIsAnError)
{
    const auto entries = tools::read_manifest(manifest());
    const auto out = folder.path() / "payload.bz2";
    struct change {
        const char* name;
        std::string second;
    };
    // "BMpicture" read again as bytes of the same size (only the CRC tells), or longer.
    for (const change& c : {change{"Pic.bmp", "BMpictur!"}, change{"Pic.bmp", "BMpicture, longer"},
                            change{"Vantrel.exe", std::string(70000, 'p') + "TAIL"}}) {
        try {
            tools::pack(entries, out, changing_on_second_read(c.name, c.second));
            ADD_FAILURE() << c.name << " changed and the archive was written";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(std::string(c.name) + ": changed while the archive was built"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "payload.bz2.partial"));
    }

    // Read the same twice through the same seam: packed.
    tools::pack(entries, out, changing_on_second_read("Pic.bmp", "BMpicture"));
    EXPECT_TRUE(std::filesystem::exists(out));
}

} // namespace

namespace {

TEST(LoadPayload, PlainFilesAreThePayloadAndBrokenExecutablesAreRefused)
{
    test::temp_folder folder;
    test::write_file(folder.path() / "p.bz2", "BZh9 not really");
    EXPECT_EQ(tools::load_payload(folder.path() / "p.bz2"), "BZh9 not really");
    test::write_file(folder.path() / "cut.exe", "MZ" + std::string(100, '\0'));
    EXPECT_THROW(tools::load_payload(folder.path() / "cut.exe"), tools::pe_error);
    EXPECT_THROW(tools::load_payload(folder.path() / "missing.exe"), std::runtime_error);
}

} // namespace
