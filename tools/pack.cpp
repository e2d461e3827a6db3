#include "tools/pack.h"

#include <bzlib.h>

#include <fstream>
#include <stdexcept>
#include <utility>

#include "payload/archive_format.h"
#include "payload/crc32.h"

namespace tools {
namespace {

// Streams bytes through libbz2 into a file.
class bzip2_file_writer {
public:
    explicit bzip2_file_writer(const std::filesystem::path& path) : out_(path, std::ios::binary | std::ios::trunc)
    {
        if (!out_)
            throw std::runtime_error(path.string() + ": cannot be written");
        if (BZ2_bzCompressInit(&stream_, 9, 0, 0) != BZ_OK)
            throw std::runtime_error("bzip2 compressor cannot start");
    }
    ~bzip2_file_writer() { BZ2_bzCompressEnd(&stream_); }
    bzip2_file_writer(const bzip2_file_writer&) = delete;
    bzip2_file_writer& operator=(const bzip2_file_writer&) = delete;

    void write(const char* bytes, std::size_t count)
    {
        stream_.next_in = const_cast<char*>(bytes);
        stream_.avail_in = static_cast<unsigned>(count);
        while (stream_.avail_in > 0)
            step(BZ_RUN, BZ_RUN_OK);
    }

    void finish()
    {
        while (!step(BZ_FINISH, BZ_FINISH_OK)) {
        }
        out_.close();
        if (!out_)
            throw std::runtime_error("the archive cannot be written");
    }

private:
    // One compression call; true when the stream has ended.
    bool step(int action, int expected)
    {
        char buffer[65536];
        stream_.next_out = buffer;
        stream_.avail_out = sizeof buffer;
        const int status = BZ2_bzCompress(&stream_, action);
        if (status != expected && status != BZ_STREAM_END)
            throw std::runtime_error("bzip2 compression failed (" + std::to_string(status) + ")");
        out_.write(buffer, static_cast<std::streamsize>(sizeof buffer - stream_.avail_out));
        if (!out_)
            throw std::runtime_error("the archive cannot be written");
        return status == BZ_STREAM_END;
    }

    std::ofstream out_;
    bz_stream stream_{};
};

// Size and CRC of everything the stream gives, each block handed to `sink` as it goes.
template <class Sink>
std::pair<std::uint64_t, std::uint32_t> read_through(std::istream& in, Sink sink)
{
    payload::crc32 crc;
    std::uint64_t size = 0;
    char block[65536];
    while (in.read(block, sizeof block), in.gcount() > 0) {
        const auto count = static_cast<std::size_t>(in.gcount());
        crc.update(block, count);
        size += count;
        sink(block, count);
    }
    return {size, crc.value()};
}

payload::archive_entry describe(const manifest_entry& entry, const source_opener& open)
{
    const std::unique_ptr<std::istream> in = open(entry.source);
    if (!in || !*in)
        throw std::runtime_error(entry.source.string() + ": cannot be read");
    const auto [size, crc] = read_through(*in, [](const char*, std::size_t) {});
    return {entry.stored_source, entry.destination, entry.kind, size, crc};
}

std::unique_ptr<std::istream> open_file(const std::filesystem::path& path)
{
    return std::make_unique<std::ifstream>(path, std::ios::binary);
}

} // namespace

void pack(const std::vector<manifest_entry>& entries, const std::filesystem::path& out)
{
    pack(entries, out, open_file);
}

void pack(const std::vector<manifest_entry>& entries, const std::filesystem::path& out, const source_opener& open)
{
    std::vector<payload::archive_entry> directory;
    directory.reserve(entries.size());
    for (const manifest_entry& entry : entries)
        directory.push_back(describe(entry, open));

    std::filesystem::path partial = out;
    partial += ".partial";
    try {
        bzip2_file_writer writer(partial);
        const std::string header = payload::encode_header(directory);
        writer.write(header.data(), header.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::unique_ptr<std::istream> in = open(entries[i].source);
            if (!in || !*in)
                throw std::runtime_error(entries[i].source.string() + ": cannot be read");
            const auto [size, crc] =
                read_through(*in, [&](const char* bytes, std::size_t count) { writer.write(bytes, count); });
            // Same size and same CRC: a file rewritten in place while packing is caught too.
            if (size != directory[i].size || crc != directory[i].crc)
                throw std::runtime_error(entries[i].source.string() + ": changed while the archive was built");
        }
        writer.finish();
        std::filesystem::rename(partial, out);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

} // namespace tools
