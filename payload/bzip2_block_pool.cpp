#include "payload/bzip2_block_pool.h"

#include <algorithm>
#include <cstdlib>

#include "payload/compress_error.h"
#include "payload/platform.h"

namespace payload {
namespace {

// Output handed to libbz2 per call: large enough to keep its fast path busy, small enough
// that a stop request is seen soon.
constexpr std::size_t output_step = 1 << 20;
constexpr std::size_t discard_size = 1 << 16;
// libbz2 asks for its state and one table per stream; a little room beyond.
constexpr std::size_t memory_blocks_kept = 4;
constexpr std::size_t spare_outputs_kept = 8;

} // namespace

bzip2_memory::~bzip2_memory()
{
    for (const block& b : blocks_)
        std::free(b.data);
}

void* bzip2_memory::take(std::size_t size) noexcept
{
    for (block& b : blocks_) {
        if (!b.used && b.size == size) {
            b.used = true;
            return b.data;
        }
    }
    void* data = std::malloc(size);
    if (!data)
        return nullptr;
    if (blocks_.size() < memory_blocks_kept) {
        try {
            blocks_.push_back({data, size, true});
        } catch (...) {
            // Not kept, then: given back, it is freed.
        }
    }
    return data;
}

void bzip2_memory::give(void* data) noexcept
{
    for (block& b : blocks_) {
        if (b.data == data) {
            b.used = false;
            return;
        }
    }
    std::free(data);
}

bzip2_decompression::bzip2_decompression(bzip2_memory* memory)
{
    if (memory) {
        stream_.opaque = memory;
        stream_.bzalloc = [](void* opaque, int count, int size) {
            return static_cast<bzip2_memory*>(opaque)->take(static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
        };
        stream_.bzfree = [](void* opaque, void* block) { static_cast<bzip2_memory*>(opaque)->give(block); };
    }
    const int status = BZ2_bzDecompressInit(&stream_, 0, 0);
    if (status != BZ_OK)
        throw bzip2_failure(status);
}

bzip2_decompression::~bzip2_decompression()
{
    BZ2_bzDecompressEnd(&stream_);
}

void decode_bzip2_block(bzip2_block_job& job, const std::atomic<bool>& stop, bzip2_memory* memory)
{
    bzip2_decompression decompression(memory);
    bz_stream& stream = decompression.stream();
    stream.next_in = reinterpret_cast<char*>(job.wrapped.data());
    stream.avail_in = static_cast<unsigned>(job.wrapped.size());
    if (!job.output)
        job.output.reset(new char[job.capacity]);
    std::unique_ptr<char[]> discard;
    bool spilled = false;
    while (!stop.load(std::memory_order_relaxed)) {
        char* out = nullptr;
        std::size_t room = 0;
        const bool keeping = job.size < job.capacity;
        if (keeping) {
            out = job.output.get() + job.size;
            room = std::min<std::size_t>(output_step, job.capacity - static_cast<std::size_t>(job.size));
        } else {
            // Too large to keep: decode on only to learn whether the block is sound and how
            // long it is; the reader decodes it again as it hands it out.
            if (!discard)
                discard.reset(new char[discard_size]);
            out = discard.get();
            room = discard_size;
        }
        const unsigned input_before = stream.avail_in;
        stream.next_out = out;
        stream.avail_out = static_cast<unsigned>(room);
        const int status = BZ2_bzDecompress(&stream);
        const std::size_t produced = room - stream.avail_out;
        job.size += produced;
        spilled = spilled || (!keeping && produced > 0);
        if (status == BZ_STREAM_END) {
            job.sound = stream.avail_in == 0;
            break;
        }
        if (status != BZ_OK || (produced == 0 && stream.avail_in == input_before))
            break;
    }
    job.kept = job.sound && !spilled;
    if (job.kept)
        std::vector<unsigned char>().swap(job.wrapped); // not needed again: memory stays flat
    else
        job.output.reset();
}

bzip2_block_pool::bzip2_block_pool(unsigned workers)
{
    // A background archive test below normal priority keeps its workers there too.
    const int priority = platform::thread_priority();
    try {
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this, priority] {
                platform::set_thread_priority(priority);
                work();
            });
    } catch (...) {
        stop();
        throw;
    }
}

bzip2_block_pool::~bzip2_block_pool()
{
    stop();
}

void bzip2_block_pool::stop() noexcept
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    queued_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

void bzip2_block_pool::submit(std::shared_ptr<bzip2_block_job> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(job));
    }
    queued_.notify_one();
}

void bzip2_block_pool::wait(const std::shared_ptr<bzip2_block_job>& job)
{
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return job->finished; });
}

void bzip2_block_pool::recycle(bzip2_block_job& job)
{
    if (!job.output)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_capacity_ != job.capacity) {
        spare_.clear();
        spare_capacity_ = job.capacity;
    }
    if (spare_.size() < spare_outputs_kept)
        spare_.push_back(std::move(job.output));
}

void bzip2_block_pool::work()
{
    bzip2_memory memory;
    for (;;) {
        std::shared_ptr<bzip2_block_job> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            if (!spare_.empty() && spare_capacity_ == job->capacity) {
                job->output = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        try {
            decode_bzip2_block(*job, stopping_, &memory);
        } catch (...) {
            // Out of memory, most likely: the block stays unsound and the reader falls back.
            job->sound = false;
            job->kept = false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job->finished = true;
        }
        finished_.notify_all();
    }
}

} // namespace payload
