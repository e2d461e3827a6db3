#include "payload/parallel_bzip2_reader.h"

#include <algorithm>
#include <cstring>

#include "payload/bzip2_blocks.h"
#include "payload/compress_error.h"
#include "payload/platform.h"

namespace payload {
namespace {

constexpr unsigned max_workers = 4;
constexpr std::size_t source_step = 1 << 18;
constexpr std::size_t again_step = 1 << 16;
// The magic and the block CRC: the next block cannot start inside them.
constexpr unsigned block_header_bits = bzip2_magic_bits + 32;

} // namespace

bzip2_decoding default_bzip2_decoding() noexcept
{
    const unsigned cores = platform::usable_cores();
    return {cores > 1 ? std::min(cores, max_workers) : 0u};
}

parallel_bzip2_reader::parallel_bzip2_reader(byte_source& source, bzip2_decoding decoding)
    : source_(source), sequential_(source)
{
    if (decoding.workers == 0)
        return;
    const std::optional<std::uint64_t> start = source.position();
    if (!start)
        return;
    start_ = *start;
    const unsigned workers = std::min(decoding.workers, max_workers);
    try {
        pool_ = std::make_unique<bzip2_block_pool>(workers);
    } catch (const std::exception&) {
        return; // no threads to be had: decoded here alone
    }
    // Enough blocks cut ahead to keep every worker busy while this thread hands out the
    // oldest; no more, so that memory stays flat however long the stream.
    window_ = workers + 2;
    parallel_ = true;
}

parallel_bzip2_reader::~parallel_bzip2_reader() = default;

std::size_t parallel_bzip2_reader::read(char* out, std::size_t count)
{
    if (parallel_) {
        std::optional<std::size_t> served;
        try {
            served = serve(out, count);
        } catch (const std::exception&) {
            // Out of memory or threads: the sequential decoder may still manage, and its
            // failure, if any, is the one to report.
        }
        if (served) {
            remember(count);
            return *served;
        }
        fall_back();
    }
    return sequential_.read(out, count);
}

std::uint64_t parallel_bzip2_reader::bytes_read() const noexcept
{
    return parallel_ ? bytes_read_ : sequential_.bytes_read();
}

std::optional<std::size_t> parallel_bzip2_reader::serve(char* out, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        switch (front()) {
        case front_state::unsure:
            return std::nullopt;
        case front_state::stream_end:
            return done;
        case front_state::block:
            break;
        }
        const std::size_t taken = take_front(out + done, count - done);
        if (taken == 0)
            return std::nullopt;
        done += taken;
        if (offset_ == jobs_.front()->size)
            pop_front();
    }
    // The piece ends where a block ends: libbz2 may read on into the next block, or the
    // stream's end, in this same call and fail there.
    if (offset_ == 0 && front() == front_state::unsure)
        return std::nullopt;
    return done;
}

parallel_bzip2_reader::front_state parallel_bzip2_reader::front()
{
    fill_window();
    if (scan_ == scan_state::broken)
        return front_state::unsure; // the sequential decoder will be needed: the sooner the cheaper
    if (jobs_.empty())
        return scan_ == scan_state::ended ? front_state::stream_end : front_state::unsure;
    const std::shared_ptr<bzip2_block_job>& job = jobs_.front();
    if (!front_finished_) {
        pool_->wait(job);
        front_finished_ = true;
    }
    return job->sound ? front_state::block : front_state::unsure;
}

// Copies up to `count` bytes of the front block to `out`; 0 when it cannot.
std::size_t parallel_bzip2_reader::take_front(char* out, std::size_t count)
{
    bzip2_block_job& job = *jobs_.front();
    const std::uint64_t left = job.size - offset_;
    if (job.kept) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, left));
        std::memcpy(out, job.output.get() + offset_, n);
        offset_ += n;
        return n;
    }
    if (again_begin_ == again_end_) {
        if (!again_) {
            again_.emplace(&again_memory_);
            again_buffer_.reset(new char[again_step]);
            again_->stream().next_in = reinterpret_cast<char*>(job.wrapped.data());
            again_->stream().avail_in = static_cast<unsigned>(job.wrapped.size());
        }
        bz_stream& stream = again_->stream();
        stream.next_out = again_buffer_.get();
        stream.avail_out = static_cast<unsigned>(std::min<std::uint64_t>(again_step, left));
        const int status = BZ2_bzDecompress(&stream);
        if (status != BZ_OK && status != BZ_STREAM_END)
            return 0;
        again_begin_ = 0;
        again_end_ = static_cast<std::size_t>(stream.next_out - again_buffer_.get());
    }
    const std::size_t n = std::min(count, again_end_ - again_begin_);
    std::memcpy(out, again_buffer_.get() + again_begin_, n);
    again_begin_ += n;
    offset_ += n;
    return n;
}

void parallel_bzip2_reader::pop_front()
{
    pool_->recycle(*jobs_.front());
    jobs_.pop_front();
    front_finished_ = false;
    offset_ = 0;
    again_.reset();
    again_begin_ = again_end_ = 0;
}

void parallel_bzip2_reader::fill_window()
{
    while (jobs_.size() < window_ && (scan_ == scan_state::header || scan_ == scan_state::blocks))
        cut_next_block();
}

// Cuts one more block and gives it to the workers, or reaches the end of the stream, or
// finds the stream to be something the workers cannot take.
void parallel_bzip2_reader::cut_next_block()
{
    if (scan_ == scan_state::header) {
        if (!hold_bits(bzip2_header_bits + bzip2_magic_bits)) {
            scan_ = scan_state::broken;
            return;
        }
        const unsigned char* p = pending_.data();
        if (p[0] != 'B' || p[1] != 'Z' || p[2] != 'h' || p[3] < '1' || p[3] > '9') {
            scan_ = scan_state::broken;
            return;
        }
        level_ = static_cast<char>(p[3]);
        // Twice the block size holds all but blocks of long runs, which are decoded again
        // as they are handed out.
        capacity_ = static_cast<std::size_t>(level_ - '0') * 200000;
        const std::uint64_t magic = bits_at(bzip2_header_bits, bzip2_magic_bits);
        if (magic == bzip2_end_magic) {
            finish_at(bzip2_header_bits);
            return;
        }
        if (magic != bzip2_block_magic) {
            scan_ = scan_state::broken;
            return;
        }
        scan_ = scan_state::blocks;
        block_start_ = bzip2_header_bits;
        search_from_ = block_start_ + block_header_bits;
    }
    // No sound block is longer than its symbols at the longest code length libbz2 reads:
    // a longer run without a magic is damage, and is not held.
    const std::uint64_t longest_block_bits = static_cast<std::uint64_t>(level_ - '0') * 100000 * 24 + 100000;
    for (;;) {
        const std::uint64_t base = pending_base_ * 8;
        if (const std::optional<bzip2_mark> mark = find_bzip2_mark(pending_.data(), pending_.size(), search_from_ - base)) {
            const std::uint64_t at = base + mark->bit;
            cut_block(at);
            if (mark->kind == bzip2_mark::end) {
                finish_at(at);
                return;
            }
            block_start_ = at;
            search_from_ = at + block_header_bits;
            // Keep the bytes from the new block's magic on.
            const std::uint64_t drop = block_start_ / 8 - pending_base_;
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(drop));
            pending_base_ += drop;
            return;
        }
        const std::uint64_t held = (pending_base_ + pending_.size()) * 8;
        if (held >= bzip2_magic_bits)
            search_from_ = std::max(search_from_, held - bzip2_magic_bits + 1);
        if (held - block_start_ > longest_block_bits || !read_source()) {
            scan_ = scan_state::broken;
            return;
        }
    }
}

// The block from block_start_ to `end`, to the workers.
void parallel_bzip2_reader::cut_block(std::uint64_t end)
{
    const std::uint32_t crc = static_cast<std::uint32_t>(bits_at(block_start_ + bzip2_magic_bits, 32));
    combined_crc_ = combine_bzip2_crc(combined_crc_, crc);
    const std::uint64_t base = pending_base_ * 8;
    auto job = std::make_shared<bzip2_block_job>();
    job->wrapped = wrap_bzip2_block(pending_.data(), pending_.size(), block_start_ - base, end - base, level_, crc);
    job->capacity = capacity_;
    pool_->submit(job);
    jobs_.push_back(std::move(job));
}

// The end-of-stream magic at `end_mark`: sound when its CRC combines the blocks' and
// nothing follows the stream.
void parallel_bzip2_reader::finish_at(std::uint64_t end_mark)
{
    const std::uint64_t stream_end = end_mark + bzip2_magic_bits + 32;
    if (!hold_bits(stream_end) || bits_at(end_mark + bzip2_magic_bits, 32) != combined_crc_) {
        scan_ = scan_state::broken;
        return;
    }
    const std::uint64_t held = pending_base_ + pending_.size();
    const bool trailing = held > (stream_end + 7) / 8 || read_source();
    scan_ = trailing ? scan_state::broken : scan_state::ended;
    std::vector<unsigned char>().swap(pending_);
}

bool parallel_bzip2_reader::read_source()
{
    if (source_ended_)
        return false;
    const std::size_t old = pending_.size();
    pending_.resize(old + source_step);
    const std::size_t got = source_.read(reinterpret_cast<char*>(pending_.data() + old), source_step);
    pending_.resize(old + got);
    if (got == 0) {
        source_ended_ = true;
        return false;
    }
    bytes_read_ += got;
    return true;
}

bool parallel_bzip2_reader::hold_bits(std::uint64_t bits)
{
    while ((pending_base_ + pending_.size()) * 8 < bits) {
        if (!read_source())
            return false;
    }
    return true;
}

std::uint64_t parallel_bzip2_reader::bits_at(std::uint64_t bit, unsigned width) const noexcept
{
    return read_bits(pending_.data(), pending_.size(), bit - pending_base_ * 8, width);
}

void parallel_bzip2_reader::remember(std::size_t count)
{
    if (!answered_.empty() && answered_.back().first == count)
        ++answered_.back().second;
    else
        answered_.emplace_back(count, 1);
}

void parallel_bzip2_reader::fall_back()
{
    parallel_ = false;
    pool_.reset();
    jobs_.clear();
    again_.reset();
    again_buffer_.reset();
    std::vector<unsigned char>().swap(pending_);
    if (!source_.seek(start_))
        throw bzip2_failure(BZ_IO_ERROR);
    std::vector<char> scratch;
    for (const auto& [count, calls] : answered_) {
        scratch.resize(std::max(scratch.size(), count));
        for (std::uint64_t i = 0; i < calls; ++i)
            sequential_.read(scratch.data(), count);
    }
    answered_.clear();
}

} // namespace payload
