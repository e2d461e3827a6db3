#include "payload/extract.h"

#include <algorithm>
#include <memory>

#include "payload/archive_format.h"
#include "payload/archive_writer.h"
#include "payload/compress_error.h"
#include "payload/file_error.h"
#include "payload/memstream.h"
#include "payload/parallel_bzip2_reader.h"

namespace payload {
namespace {

constexpr std::size_t piece_size = 4096;

void offer(archive_writer& writer, const char* bytes, std::int64_t count)
{
    // The writer takes one phase at a time, and none at all when it completes an empty
    // entry: offer the rest again until it is taken.
    while (count > 0) {
        const std::int64_t taken = writer.write(bytes, count);
        bytes += taken;
        count -= taken;
    }
}

// A damaged stream can decode into a nonsensical header before the decompressor finds the
// damage at the end of its block: read on for a bounded while, discarding, so that the
// damage is reported as such. Raises the decompressor's failure if it comes.
void read_on_after_refused_header(decoded_reader& reader)
{
    char piece[piece_size];
    std::uint64_t left = maximal_header_size;
    while (left > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, left));
        const std::size_t got = reader.read(piece, want);
        if (got == 0)
            break;
        left -= got;
    }
}

std::wstring failure_path(const std::exception& e, const archive_writer* writer)
{
    if (writer) {
        if (const archive_entry* entry = writer->current_entry())
            return entry->destination;
    }
    if (const auto* failure = dynamic_cast<const file_error*>(&e))
        return failure->path();
    return {};
}

// The decoder behind the reader interface.
class decoding_reader : public decoded_reader {
public:
    decoding_reader(byte_source& source, bzip2_decoding decoding) : reader_(source, decoding) {}
    std::size_t read(char* out, std::size_t count) override { return reader_.read(out, count); }
    std::uint64_t bytes_read() const override { return reader_.bytes_read(); }

private:
    parallel_bzip2_reader reader_;
};

// The decoder with the stream it reads.
class memory_decoder : public decoded_reader {
public:
    memory_decoder(const char* data, std::size_t size, bzip2_decoding decoding)
        : source_(data, size), reader_(source_, decoding)
    {
    }
    std::size_t read(char* out, std::size_t count) override { return reader_.read(out, count); }
    std::uint64_t bytes_read() const override { return reader_.bytes_read(); }

private:
    tal::imemstream source_;
    decoding_reader reader_;
};

} // namespace

std::unique_ptr<decoded_reader> decode_memory(const char* data, std::size_t size, bzip2_decoding decoding)
{
    return std::make_unique<memory_decoder>(data, size, decoding);
}

bool extract_archive(byte_source& source, const destination_roots& roots, const extract_callback& callback,
                     bzip2_decoding decoding)
{
    return extract_archive([&source, decoding] { return std::make_unique<decoding_reader>(source, decoding); },
                           roots, callback);
}

bool extract_archive(const decoded_reader_factory& open, const destination_roots& roots,
                     const extract_callback& callback)
{
    const auto notify = [&callback](const notification& n) {
        if (callback)
            callback(n);
    };
    std::unique_ptr<archive_writer> writer;
    try {
        notify(notification::make_started());
        writer = std::make_unique<archive_writer>(roots);
        writer->set_callback(callback);

        const std::unique_ptr<decoded_reader> opened = open();
        decoded_reader& reader = *opened;
        char piece[piece_size];
        while (const std::size_t got = reader.read(piece, sizeof piece)) {
            try {
                offer(*writer, piece, static_cast<std::int64_t>(got));
            } catch (const std::system_error&) {
                if (!writer->directory_read())
                    read_on_after_refused_header(reader);
                throw;
            }
        }
        // Empty entries at the very end get no bytes to be called with; they are files too.
        char none = 0;
        while (writer->awaits_empty_entry())
            writer->write(&none, 0);
        if (!writer->complete())
            raise(compress_errc::unexpected_error);

        notify(notification::make_finished(reader.bytes_read(), writer->total()));
        writer.reset();
        return true;
    } catch (const std::exception& e) {
        std::wstring path = failure_path(e, writer.get());
        writer.reset(); // closes the file being written before anyone looks at it
        notify(notification::make_error(to_error_code(e), std::move(path)));
        return false;
    }
}

bool test_archive(byte_source& source, bzip2_decoding decoding)
{
    return test_archive(source, decoded_sink(), decoding);
}

bool test_archive(byte_source& source, const decoded_sink& sink, bzip2_decoding decoding)
{
    try {
        parallel_bzip2_reader reader(source, decoding);
        char piece[piece_size];
        while (const std::size_t got = reader.read(piece, sizeof piece)) {
            if (sink)
                sink(piece, got);
        }
    } catch (const std::exception&) {
        return false;
    }
    char after = 0;
    return source.read(&after, 1) == 0;
}

} // namespace payload
