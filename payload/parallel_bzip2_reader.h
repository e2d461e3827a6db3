#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "payload/bzip2_block_pool.h"
#include "payload/byte_source.h"
#include "payload/bzip2_decoding.h"
#include "payload/bzip2_reader.h"

namespace payload {

// Reads one bzip2 stream exactly as bzip2_reader does (the same bytes in the same pieces, the
// same failure in the same call) while worker threads decode its blocks ahead, each cut out
// as a stream of its own.
//
// A call is answered from the workers only when the sequential decoder is sure to answer it
// the same way: every block it touches decoded soundly and, where the piece ends with a
// block, the next block (or the stream's end, with its combined CRC and nothing after it)
// checked too, since libbz2 may read on into it in the same call. Anything else (a damaged
// block, a magic met by chance inside compressed data, a wrong combined CRC, a stream cut
// short or followed by more bytes, a worker that cannot start) hands the stream to a
// bzip2_reader that starts again at the beginning and repeats every call answered so far:
// the decoder being deterministic, that leaves it exactly where a bzip2_reader alone would
// stand, and every later byte, failure and notification is its own. A source that cannot
// seek back to where it stood at construction is read sequentially from the start.
class parallel_bzip2_reader {
public:
    parallel_bzip2_reader(byte_source& source, bzip2_decoding decoding);
    ~parallel_bzip2_reader();
    parallel_bzip2_reader(const parallel_bzip2_reader&) = delete;
    parallel_bzip2_reader& operator=(const parallel_bzip2_reader&) = delete;

    // As bzip2_reader::read.
    std::size_t read(char* out, std::size_t count);

    // Compressed bytes taken from the source so far; the workers read ahead, so this equals
    // bzip2_reader's count once the end of the stream has been read.
    std::uint64_t bytes_read() const noexcept;

    // The blocks are decoded by workers; false once the sequential decoder has taken over.
    bool parallel() const noexcept { return parallel_; }

private:
    enum class front_state { block, stream_end, unsure };
    enum class scan_state { header, blocks, ended, broken };

    std::optional<std::size_t> serve(char* out, std::size_t count);
    front_state front();
    std::size_t take_front(char* out, std::size_t count);
    void pop_front();
    void fill_window();
    void cut_next_block();
    void cut_block(std::uint64_t end);
    void finish_at(std::uint64_t end_mark);
    bool read_source();
    bool hold_bits(std::uint64_t bits);
    std::uint64_t bits_at(std::uint64_t bit, unsigned width) const noexcept;
    void remember(std::size_t count);
    void fall_back();

    byte_source& source_;
    bzip2_reader sequential_;
    std::uint64_t start_ = 0;
    bool parallel_ = false;
    std::unique_ptr<bzip2_block_pool> pool_;
    std::size_t window_ = 0;   // blocks cut ahead, at most
    std::size_t capacity_ = 0; // decoded bytes a worker keeps per block

    // The source from the block being cut on: bytes from pending_base_. Bit and byte
    // positions count from where the source stood at construction.
    std::vector<unsigned char> pending_;
    std::uint64_t pending_base_ = 0;
    std::uint64_t bytes_read_ = 0;
    bool source_ended_ = false;
    scan_state scan_ = scan_state::header;
    char level_ = 0;
    std::uint64_t block_start_ = 0; // the magic of the block being cut
    std::uint64_t search_from_ = 0; // no magic starts between the block's header and this bit
    std::uint32_t combined_crc_ = 0;

    // Blocks cut and not yet handed out entirely, in stream order.
    std::deque<std::shared_ptr<bzip2_block_job>> jobs_;
    bool front_finished_ = false;
    std::uint64_t offset_ = 0; // bytes of the front block handed out
    // A front block too large to keep, decoded again here piece by piece.
    bzip2_memory again_memory_;
    std::optional<bzip2_decompression> again_;
    std::unique_ptr<char[]> again_buffer_;
    std::size_t again_begin_ = 0;
    std::size_t again_end_ = 0;

    // Every call answered so far, as runs of (count, calls), for the sequential decoder to repeat.
    std::vector<std::pair<std::size_t, std::uint64_t>> answered_;
};

} // namespace payload
