// The parallel decoder beside the sequential one, call by call, over sound and damaged
// streams of many blocks; and the block cutting it rests on.
#include <bzlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>

#include "payload/bzip2_blocks.h"
#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/memstream.h"
#include "payload/parallel_bzip2_reader.h"
#include "decoders.h"
#include "test_support.h"

namespace {

using payload::bzip2_mark;

std::string random_bytes(std::size_t size, std::uint32_t seed, const std::string& alphabet = {})
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = alphabet.empty() ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    return bytes;
}

const unsigned char* bits_of(const std::string& s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

// Every magic a scan of the whole stream finds, in order.
std::vector<bzip2_mark> marks_of(const std::string& stream)
{
    std::vector<bzip2_mark> marks;
    std::uint64_t from = 0;
    while (const auto mark = payload::find_bzip2_mark(bits_of(stream), stream.size(), from)) {
        marks.push_back(*mark);
        from = mark->bit + 1;
    }
    return marks;
}

void flip_bit(std::string& stream, std::uint64_t bit)
{
    stream[static_cast<std::size_t>(bit / 8)] ^= static_cast<char>(0x80 >> (bit % 8));
}

// Chunks that each end a block, of sizes that fall on and off the 4096-byte pieces.
std::vector<std::string> chunks()
{
    return {random_bytes(8192, 1),     random_bytes(5000, 2), random_bytes(3192, 3),
            std::string(70000, 'z') + random_bytes(30000, 4), random_bytes(3, 5), random_bytes(99000, 6),
            random_bytes(1701, 7)};
}

// Bytes whose block, by the map of byte values it uses, carries the block magic inside its
// compressed data: each 16-bit word of the map says which of 16 byte values occur.
std::string bytes_that_spell_the_magic(std::size_t size)
{
    std::string alphabet;
    for (unsigned range = 0; range < 16; ++range) {
        const unsigned word = range < 3 ? static_cast<unsigned>((payload::bzip2_block_magic >> (32 - 16 * range)) & 0xFFFF)
                                        : 0x8000u;
        for (unsigned j = 0; j < 16; ++j) {
            if ((word >> (15 - j)) & 1)
                alphabet += static_cast<char>(range * 16 + j);
        }
    }
    return random_bytes(size, 7, alphabet);
}

TEST(Bzip2Blocks, EveryBlockIsFoundAndDecodesAloneToItsChunk)
{
    const std::vector<std::string> parts = chunks();
    const std::string stream = test::compress_blocks(parts, 1);
    const std::vector<bzip2_mark> marks = marks_of(stream);
    ASSERT_EQ(marks.size(), parts.size() + 1);
    ASSERT_GT(parts.size(), 3u);
    EXPECT_EQ(marks.front().bit, 32u);
    EXPECT_EQ(marks.back().kind, bzip2_mark::end);
    std::uint32_t combined = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        ASSERT_EQ(marks[i].kind, bzip2_mark::block);
        const auto crc = static_cast<std::uint32_t>(payload::read_bits(bits_of(stream), stream.size(), marks[i].bit + 48, 32));
        combined = payload::combine_bzip2_crc(combined, crc);
        std::vector<unsigned char> wrapped =
            payload::wrap_bzip2_block(bits_of(stream), stream.size(), marks[i].bit, marks[i + 1].bit, '1', crc);
        std::string out(parts[i].size() + 1, '\0');
        auto size = static_cast<unsigned>(out.size());
        ASSERT_EQ(BZ2_bzBuffToBuffDecompress(out.data(), &size, reinterpret_cast<char*>(wrapped.data()),
                                             static_cast<unsigned>(wrapped.size()), 0, 0),
                  BZ_OK)
            << "block " << i << " at bit " << marks[i].bit;
        out.resize(size);
        EXPECT_EQ(out, parts[i]) << "block " << i;
    }
    EXPECT_EQ(payload::read_bits(bits_of(stream), stream.size(), marks.back().bit + 48, 32), combined);
}

TEST(Bzip2Blocks, BitsAreReadAcrossBytesAndPastTheEndAsZero)
{
    const std::string bytes("\x31\x41\x59\x26\x53\x59", 6);
    EXPECT_EQ(payload::read_bits(bits_of(bytes), bytes.size(), 0, 48), payload::bzip2_block_magic);
    EXPECT_EQ(payload::read_bits(bits_of(bytes), bytes.size(), 4, 8), 0x14u);
    EXPECT_EQ(payload::read_bits(bits_of(bytes), bytes.size(), 44, 8), 0x90u);
    // A magic that does not lie wholly inside the bytes is not one.
    EXPECT_FALSE(payload::find_bzip2_mark(bits_of(bytes), 5, 0));
    EXPECT_FALSE(payload::find_bzip2_mark(bits_of(bytes), bytes.size(), 1));
}

TEST(Bzip2Blocks, MagicsAreFoundAtEveryBitOffset)
{
    for (unsigned shift = 0; shift < 16; ++shift) {
        for (const auto& [magic, kind] : {std::pair{payload::bzip2_block_magic, bzip2_mark::block},
                                          std::pair{payload::bzip2_end_magic, bzip2_mark::end}}) {
            // Ones around the magic, so that no other alignment can match by accident.
            const std::uint64_t value = (magic << (16 - shift)) | ((std::uint64_t{1} << (16 - shift)) - 1)
                                        | (shift == 0 ? 0 : ~std::uint64_t{0} << (64 - shift));
            std::string bytes(9, '\0');
            for (int i = 0; i < 8; ++i)
                bytes[i] = static_cast<char>(value >> (56 - 8 * i));
            const auto mark = payload::find_bzip2_mark(bits_of(bytes), bytes.size(), 0);
            ASSERT_TRUE(mark) << shift;
            EXPECT_EQ(mark->bit, shift);
            EXPECT_EQ(mark->kind, kind) << shift;
            EXPECT_FALSE(payload::find_bzip2_mark(bits_of(bytes), bytes.size(), shift + 1)) << shift;
        }
    }
}

// What a reader answers to every call: the bytes, or the failure's libbz2 status, at the end.
struct answers {
    std::vector<std::string> pieces;
    int failure = 0;
    bool parallel = false;
    std::uint64_t bytes_read = 0;
};

answers read_all(const std::string& stream, payload::bzip2_decoding decoding, const std::vector<std::size_t>& sizes)
{
    answers a;
    tal::imemstream source(stream.data(), stream.size());
    payload::parallel_bzip2_reader reader(source, decoding);
    std::vector<char> buffer(*std::max_element(sizes.begin(), sizes.end()));
    // One call past the first 0 as well: that is where bytes after the stream are found.
    for (std::size_t call = 0, zeros = 0; zeros < 2 && call < 100000; ++call) {
        const std::size_t size = sizes[call % sizes.size()];
        try {
            const std::size_t got = reader.read(buffer.data(), size);
            a.pieces.emplace_back(buffer.data(), got);
            zeros += got == 0 ? 1 : 0;
        } catch (const payload::bzip2_failure& e) {
            a.failure = e.status();
            break;
        }
    }
    a.parallel = reader.parallel();
    a.bytes_read = reader.bytes_read();
    return a;
}

struct stream_case {
    const char* name;
    std::function<std::string()> stream;
    bool parallel_to_the_end; // the workers may take it all
};

void PrintTo(const stream_case& c, std::ostream* os)
{
    *os << c.name;
}

std::string sound_stream()
{
    return test::compress_blocks(chunks(), 1);
}

// The sound stream with one change at the bit that `where` picks from its magics.
std::string changed(const std::function<std::uint64_t(const std::vector<bzip2_mark>&)>& where)
{
    std::string stream = sound_stream();
    flip_bit(stream, where(marks_of(stream)));
    return stream;
}

const stream_case stream_cases[] = {
    {"SoundBlocks", sound_stream, true},
    {"OneLevelNineBlock", [] { return test::compress(random_bytes(300000, 8)); }, true},
    {"BlockTooLargeToKeep", [] { return test::compress_blocks({random_bytes(1000, 9), std::string(3000000, '\0'), "tail"}, 1); },
     true},
    {"EmptyStream", [] { return test::compress(""); }, true},
    {"DamagedSecondBlock", [] { return changed([](const auto& m) { return (m[1].bit + m[2].bit) / 2; }); }, false},
    {"DamagedLastBlockNearItsEnd", [] { return changed([](const auto& m) { return m[m.size() - 1].bit - 20; }); }, false},
    {"WrongBlockCrc", [] { return changed([](const auto& m) { return m[2].bit + 48 + 7; }); }, false},
    {"WrongCombinedCrc", [] { return changed([](const auto& m) { return m.back().bit + 48 + 31; }); }, false},
    {"DamagedEndMagic", [] { return changed([](const auto& m) { return m.back().bit + 3; }); }, false},
    {"DamagedBlockMagic", [] { return changed([](const auto& m) { return m[3].bit + 10; }); }, false},
    {"CutInsideABlock", [] { const std::string s = sound_stream(); return s.substr(0, s.size() / 2); }, false},
    {"CutInsideTheEnd", [] { const std::string s = sound_stream(); return s.substr(0, s.size() - 3); }, false},
    {"BytesAfterTheStream", [] { return sound_stream() + "x"; }, false},
    {"TwoStreams", [] { return sound_stream() + test::compress("second"); }, false},
    {"LevelZeroHeader", [] { std::string s = sound_stream(); s[3] = '0'; return s; }, false},
    {"NotBzip2", [] { return random_bytes(20000, 10); }, false},
    {"Empty", [] { return std::string(); }, false},
    {"MagicByChanceInsideTheSecondBlock",
     [] { return test::compress_blocks({random_bytes(50000, 11), bytes_that_spell_the_magic(20000), "end"}, 1); }, false},
};

using size_pattern = std::vector<std::size_t>;

class ParallelBzip2 : public ::testing::TestWithParam<std::tuple<stream_case, size_pattern>> {};

TEST_P(ParallelBzip2, AnswersEveryCallAsTheSequentialDecoder)
{
    const stream_case& c = std::get<0>(GetParam());
    const size_pattern& sizes = std::get<1>(GetParam());
    const std::string stream = c.stream();
    const answers expected = read_all(stream, test::sequential_decoder.decoding, sizes);
    for (const unsigned workers : {1u, 2u, 4u}) {
        const answers got = read_all(stream, {workers}, sizes);
        ASSERT_EQ(got.pieces.size(), expected.pieces.size()) << workers << " workers";
        for (std::size_t i = 0; i < got.pieces.size(); ++i)
            ASSERT_EQ(got.pieces[i], expected.pieces[i]) << "call " << i << ", " << workers << " workers";
        EXPECT_EQ(got.failure, expected.failure) << workers << " workers";
        EXPECT_EQ(got.parallel, c.parallel_to_the_end) << workers << " workers";
        if (expected.failure == 0) {
            EXPECT_EQ(got.bytes_read, expected.bytes_read) << workers << " workers";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ParallelBzip2,
    ::testing::Combine(::testing::ValuesIn(stream_cases),
                       ::testing::Values(size_pattern{4096}, size_pattern{1, 4095, 7, 65536, 4097})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param).size() == 1 ? "In4096" : "InMixedPieces");
    });

TEST(ParallelBzip2Premises, TheChanceMagicLiesInsideABlock)
{
    // The case above stands only if the scan meets one magic more than there are blocks.
    const std::string stream = test::compress_blocks({random_bytes(50000, 11), bytes_that_spell_the_magic(20000), "end"}, 1);
    EXPECT_EQ(marks_of(stream).size(), 3u + 1 + 1);
}

TEST(ParallelBzip2Premises, ChunksEndOnPieceBoundaries)
{
    // Blocks that end on 4096-byte pieces and blocks that end inside them.
    std::uint64_t end = 0;
    bool on = false, off = false;
    for (const std::string& chunk : chunks()) {
        end += chunk.size();
        (end % 4096 == 0 ? on : off) = true;
    }
    EXPECT_TRUE(on);
    EXPECT_TRUE(off);
}

TEST(ParallelBzip2Source, UnseekableSourceIsReadSequentially)
{
    const std::string stream = sound_stream();
    // A source that cannot tell where it stands.
    struct unseekable final : payload::byte_source {
        explicit unseekable(const std::string& bytes) : all(bytes.data(), bytes.size()) {}
        std::size_t read(char* out, std::size_t count) override { return all.read(out, count); }
        std::optional<std::uint64_t> position() const override { return std::nullopt; }
        bool seek(std::uint64_t) override { return false; }
        tal::imemstream all;
    } source(stream);
    payload::parallel_bzip2_reader reader(source, {2});
    EXPECT_FALSE(reader.parallel());
    std::string out(stream.size() * 10, '\0');
    std::string all;
    while (const std::size_t got = reader.read(out.data(), out.size()))
        all.append(out.data(), got);
    std::string expected;
    for (const std::string& chunk : chunks())
        expected += chunk;
    EXPECT_EQ(all, expected);
}

// The engine over streams of many blocks: the same notifications, error and path whichever
// decoder reads them.
TEST(ParallelBzip2Engine, NotificationsAreThoseOfTheSequentialDecoder)
{
    test::archive_bytes archive;
    archive.add(L"first.bin", L"<InstallPath>", random_bytes(150000, 12))
        .add(L"runs.bin", L"<InstallPath>", std::string(400000, 'r'))
        .add(L"last.bin", L"<InstallPath>", random_bytes(120000, 13));
    const std::string raw = archive.bytes();
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < raw.size(); at += 40000)
        parts.push_back(raw.substr(at, 40000));
    const std::string sound = test::compress_blocks(parts, 1);
    const std::vector<bzip2_mark> marks = marks_of(sound);
    ASSERT_GT(marks.size(), 10u);

    std::vector<std::string> streams{sound, sound.substr(0, sound.size() - 100), sound + "more"};
    for (const std::size_t block : {std::size_t{0}, marks.size() / 2, marks.size() - 2}) {
        std::string damaged = sound;
        flip_bit(damaged, (marks[block].bit + marks[block + 1].bit) / 2);
        streams.push_back(damaged);
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        test::recorder logs[2];
        bool ok[2];
        bool tested[2];
        test::temp_folder folder;
        for (int d = 0; d < 2; ++d) {
            const test::decoder& decoder = d == 0 ? test::sequential_decoder : test::parallel_decoder;
            std::filesystem::remove_all(folder.path() / "app");
            tal::imemstream source(streams[i].data(), streams[i].size());
            ok[d] = payload::extract_archive(source, {folder.wide(L"app"), L"", L""}, logs[d].callback(), decoder.decoding);
            tal::imemstream again(streams[i].data(), streams[i].size());
            tested[d] = payload::test_archive(again, decoder.decoding);
            if (ok[d]) {
                EXPECT_EQ(test::read_file(folder.path() / "app" / "last.bin"), random_bytes(120000, 13)) << "stream " << i;
            }
        }
        EXPECT_EQ(ok[1], ok[0]) << "stream " << i;
        EXPECT_EQ(tested[1], tested[0]) << "stream " << i;
        EXPECT_EQ(tested[0], i == 0) << "stream " << i;
        EXPECT_EQ(logs[1].events, logs[0].events) << "stream " << i;
        EXPECT_EQ(logs[1].paths, logs[0].paths) << "stream " << i;
        EXPECT_EQ(logs[1].error, logs[0].error) << "stream " << i;
        EXPECT_EQ(logs[1].error_path, logs[0].error_path) << "stream " << i;
        EXPECT_EQ(logs[1].last_progress, logs[0].last_progress) << "stream " << i;
        EXPECT_EQ(logs[1].bytes_read, logs[0].bytes_read) << "stream " << i;
    }
}

} // namespace
