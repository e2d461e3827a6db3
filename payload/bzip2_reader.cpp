#include "payload/bzip2_reader.h"

#include "payload/compress_error.h"

namespace payload {

bzip2_reader::bzip2_reader(byte_source& source) : source_(source)
{
    const int status = BZ2_bzDecompressInit(&stream_, 0, 0);
    if (status != BZ_OK)
        throw bzip2_failure(status);
}

bzip2_reader::~bzip2_reader()
{
    BZ2_bzDecompressEnd(&stream_);
}

bool bzip2_reader::refill()
{
    const std::size_t got = source_.read(input_, sizeof input_);
    if (got == 0) {
        source_exhausted_ = true;
        return false;
    }
    bytes_read_ += got;
    stream_.next_in = input_;
    stream_.avail_in = static_cast<unsigned>(got);
    return true;
}

std::size_t bzip2_reader::read(char* out, std::size_t count)
{
    if (ended_) {
        // One bzip2 stream is the whole payload: anything after it is damage.
        if (stream_.avail_in > 0 || (!source_exhausted_ && refill()))
            throw bzip2_failure(BZ_DATA_ERROR);
        return 0;
    }
    stream_.next_out = out;
    stream_.avail_out = static_cast<unsigned>(count);
    while (stream_.avail_out > 0) {
        if (stream_.avail_in == 0 && !source_exhausted_)
            refill();
        const unsigned space = stream_.avail_out;
        const int status = BZ2_bzDecompress(&stream_);
        if (status == BZ_STREAM_END) {
            ended_ = true;
            break;
        }
        if (status != BZ_OK)
            throw bzip2_failure(status);
        if (source_exhausted_ && stream_.avail_in == 0 && stream_.avail_out == space)
            throw bzip2_failure(BZ_UNEXPECTED_EOF);
    }
    return count - stream_.avail_out;
}

} // namespace payload
