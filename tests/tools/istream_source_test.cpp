// Standard streams as the engine's source, as the host programs feed it files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "decoders.h"
#include "payload/extract.h"
#include "payload/parallel_bzip2_reader.h"
#include "test_support.h"
#include "tools/istream_source.h"

namespace {

class IstreamSource : public ::testing::TestWithParam<test::decoder> {};
INSTANTIATE_TEST_SUITE_P(BothDecoders, IstreamSource, test::both_decoders(), test::decoder_name);

std::string sound_archive()
{
    test::archive_bytes archive;
    archive.add(L"a.txt", L"<InstallPath>", "alpha").add(L"b.txt", L"<InstallPath>", std::string(5000, 'b'));
    return test::compress(archive.bytes());
}

TEST_P(IstreamSource, TestsAFileAndAStringStreamToTheirEnd)
{
    const std::string good = sound_archive();
    test::temp_folder folder;
    test::write_file(folder.path() / "good.bz2", good);
    test::write_file(folder.path() / "trailing.bz2", good + "x");
    const struct {
        const char* file;
        bool sound;
    } cases[] = {{"good.bz2", true}, {"trailing.bz2", false}, {"missing.bz2", false}};
    for (const auto& c : cases) {
        std::ifstream in(folder.path() / c.file, std::ios::binary);
        tools::istream_source source(in);
        EXPECT_EQ(payload::test_archive(source, GetParam().decoding), c.sound) << c.file;
    }
    std::istringstream text(good);
    tools::istream_source source(text);
    EXPECT_TRUE(payload::test_archive(source, GetParam().decoding));
    EXPECT_EQ(source.position(), std::optional<std::uint64_t>(good.size()));
}

TEST(IstreamSourceSeeking, ReadsSeeksAndTellsWhereItStands)
{
    std::istringstream text("0123456789");
    tools::istream_source source(text);
    char got[8] = {};
    EXPECT_EQ(source.read(got, 3), 3u);
    EXPECT_EQ(source.position(), std::optional<std::uint64_t>(3));
    ASSERT_TRUE(source.seek(8));
    EXPECT_EQ(source.read(got, sizeof got), 2u); // short at the end, without failing the stream
    EXPECT_EQ(std::string(got, 2), "89");
    EXPECT_EQ(source.read(got, sizeof got), 0u);
    ASSERT_TRUE(source.seek(1));
    EXPECT_EQ(source.read(got, 1), 1u);
    EXPECT_EQ(got[0], '1');

    // A source that cannot tell where it stands keeps the parallel decoder sequential.
    std::ifstream missing("/nonexistent/payload.bz2", std::ios::binary);
    tools::istream_source closed(missing);
    EXPECT_EQ(closed.position(), std::nullopt);
    payload::parallel_bzip2_reader reader(closed, {2});
    EXPECT_FALSE(reader.parallel());
}

} // namespace
