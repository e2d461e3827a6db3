// Differential libFuzzer target: the parallel bzip2 decoder must answer every call exactly as
// the sequential one (the same bytes, the same failure status in the same call, the same
// count of compressed bytes at the end), on random bytes and on streams of many blocks built
// from the input and then damaged as the input says.
//
// Input: a flags byte (bit 0: the rest is the stream itself; bits 1-2: workers - 1; bits
// 3-7: piece sizes), then for a built stream: the level, the number of changes, a chunk
// length, the changes (three bytes each: kind, position) and the data.
#include <bzlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "payload/bzip2_blocks.h"
#include "payload/bzip2_reader.h"
#include "payload/compress_error.h"
#include "payload/memstream.h"
#include "payload/parallel_bzip2_reader.h"

namespace {

constexpr std::size_t output_limit = 8 << 20;

// One stream of `data` in which every `chunk` bytes end a block.
std::string compress(const std::string& data, int level, std::size_t chunk)
{
    bz_stream stream{};
    if (BZ2_bzCompressInit(&stream, level, 0, 30) != BZ_OK)
        std::abort();
    std::string out;
    char buffer[16384];
    const auto pass = [&](const char* bytes, std::size_t size, int action, int done) {
        stream.next_in = const_cast<char*>(bytes);
        stream.avail_in = static_cast<unsigned>(size);
        for (;;) {
            stream.next_out = buffer;
            stream.avail_out = sizeof buffer;
            const int status = BZ2_bzCompress(&stream, action);
            out.append(buffer, sizeof buffer - stream.avail_out);
            if (status == done)
                return;
            if (status < 0)
                std::abort();
        }
    };
    for (std::size_t at = 0; at < data.size(); at += chunk)
        pass(data.data() + at, std::min(chunk, data.size() - at), BZ_FLUSH, BZ_RUN_OK);
    pass(nullptr, 0, BZ_FINISH, BZ_STREAM_END);
    BZ2_bzCompressEnd(&stream);
    return out;
}

std::vector<payload::bzip2_mark> marks_of(const std::string& stream)
{
    std::vector<payload::bzip2_mark> marks;
    std::uint64_t from = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(stream.data());
    while (const auto mark = payload::find_bzip2_mark(bytes, stream.size(), from)) {
        marks.push_back(*mark);
        from = mark->bit + 1;
    }
    return marks;
}

void flip(std::string& stream, std::uint64_t bit)
{
    if (bit / 8 < stream.size())
        stream[static_cast<std::size_t>(bit / 8)] ^= static_cast<char>(0x80 >> (bit % 8));
}

// Damages the stream the way `kind` says, at `position` scaled to what it names.
void change(std::string& stream, unsigned kind, unsigned position)
{
    if (stream.empty())
        return;
    const std::uint64_t bits = std::uint64_t{stream.size()} * 8;
    const std::vector<payload::bzip2_mark> marks = kind >= 4 ? marks_of(stream) : std::vector<payload::bzip2_mark>{};
    const payload::bzip2_mark* mark = marks.empty() ? nullptr : &marks[position % marks.size()];
    switch (kind % 8) {
    case 0: // a bit anywhere
        flip(stream, position * bits / 65536);
        break;
    case 1: // cut short
        stream.resize(static_cast<std::size_t>(position * std::uint64_t{stream.size()} / 65536));
        break;
    case 2: // a byte more
        stream += static_cast<char>(position);
        break;
    case 3: // a second stream after the first
        stream += compress(std::string(position % 300, static_cast<char>(position >> 8)), 1, 100);
        break;
    case 4: // a block's CRC, or the combined one
        if (mark)
            flip(stream, mark->bit + 48 + (position >> 8) % 32);
        break;
    case 5: // a magic
        if (mark)
            flip(stream, mark->bit + (position >> 8) % 48);
        break;
    case 6: // a bit near the start of a block's data
        if (mark)
            flip(stream, mark->bit + 80 + (position >> 8));
        break;
    default: // a bit near the end of a block
        if (mark && mark->bit > 1 + (position >> 8))
            flip(stream, mark->bit - 1 - (position >> 8));
        break;
    }
}

struct outcome {
    std::vector<std::size_t> counts;
    std::string bytes;
    int failure = 0;
    std::uint64_t bytes_read = 0;
    bool ended = false;
};

template <class Reader>
outcome read_all(Reader& reader, const std::vector<std::size_t>& sizes)
{
    outcome o;
    std::vector<char> buffer(65536);
    for (std::size_t call = 0, zeros = 0; zeros < 2 && o.bytes.size() < output_limit; ++call) {
        const std::size_t size = sizes[call % sizes.size()];
        try {
            const std::size_t got = reader.read(buffer.data(), size);
            o.counts.push_back(got);
            o.bytes.append(buffer.data(), got);
            zeros += got == 0 ? 1 : 0;
        } catch (const payload::bzip2_failure& e) {
            o.failure = e.status();
            return o;
        }
    }
    // Only at the end of the stream does the parallel reader's count of compressed bytes
    // agree: mid-stream its workers have read ahead.
    o.ended = o.bytes.size() < output_limit;
    o.bytes_read = o.ended ? reader.bytes_read() : 0;
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const unsigned flags = data[0];
    std::string stream;
    if (flags & 1) {
        stream.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    } else {
        if (size < 4)
            return 0;
        // Mostly small blocks: larger ones cost the sanitizers' allocator dearly per input.
        const int level = data[1] < 224 ? 1 + data[1] % 2 : 1 + data[1] % 9;
        const unsigned changes = data[2] % 4;
        const std::size_t chunk = 1 + std::size_t{data[3]} * 16;
        std::size_t at = 4;
        std::vector<std::pair<unsigned, unsigned>> plan;
        for (unsigned i = 0; i < changes && at + 3 <= size; ++i, at += 3)
            plan.emplace_back(data[at], data[at + 1] | data[at + 2] << 8);
        stream = compress(std::string(reinterpret_cast<const char*>(data + at), size - at), level, chunk);
        for (const auto& [kind, position] : plan)
            change(stream, kind, position);
    }

    const unsigned workers = 1 + ((flags >> 1) & 3);
    std::vector<std::size_t> sizes;
    switch (flags >> 3 & 3) {
    case 0:
        sizes = {4096};
        break;
    case 1:
        sizes = {1, 4095, 7, 65536, 4097};
        break;
    default:
        sizes = {1 + (flags >> 5) * 517u, 4096};
        break;
    }

    tal::imemstream sequential_source(stream.data(), stream.size());
    payload::bzip2_reader sequential(sequential_source);
    const outcome expected = read_all(sequential, sizes);

    tal::imemstream parallel_source(stream.data(), stream.size());
    payload::parallel_bzip2_reader parallel(parallel_source, {workers});
    const outcome got = read_all(parallel, sizes);

    if (got.counts != expected.counts || got.bytes != expected.bytes || got.failure != expected.failure
        || got.ended != expected.ended || got.bytes_read != expected.bytes_read)
        std::abort();
    return 0;
}
