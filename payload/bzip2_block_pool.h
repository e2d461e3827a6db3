#pragma once
// Worker threads that decode bzip2 blocks, each cut out as a stream of its own
// (wrap_bzip2_block), while the engine's thread takes their bytes in order.
#include <bzlib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace payload {

// Memory that libbz2 asks for, kept for the next stream of the same thread: each block
// otherwise costs a fresh table of up to 3.6 MB, its page faults and, on Windows, a
// VirtualAlloc of its own. Used by one thread at a time.
class bzip2_memory {
public:
    bzip2_memory() = default;
    ~bzip2_memory();
    bzip2_memory(const bzip2_memory&) = delete;
    bzip2_memory& operator=(const bzip2_memory&) = delete;

    void* take(std::size_t size) noexcept;
    void give(void* block) noexcept;

private:
    struct block {
        void* data;
        std::size_t size;
        bool used;
    };
    std::vector<block> blocks_;
};

// A libbz2 decompression stream in normal (not reduced-memory) mode, ended with its owner;
// its memory comes from `memory` when one is given.
class bzip2_decompression {
public:
    explicit bzip2_decompression(bzip2_memory* memory = nullptr); // raises bzip2_failure
    ~bzip2_decompression();
    bzip2_decompression(const bzip2_decompression&) = delete;
    bzip2_decompression& operator=(const bzip2_decompression&) = delete;

    bz_stream& stream() noexcept { return stream_; }

private:
    bz_stream stream_{};
};

// One block to decode, and what decoding it gave. The job belongs to the worker from
// submit until the pool reports it finished.
struct bzip2_block_job {
    std::vector<unsigned char> wrapped; // the block as a stream of its own; emptied once `kept`
    std::size_t capacity = 0;           // decoded bytes kept, at most

    std::unique_ptr<char[]> output; // the decoded bytes when `kept`; `capacity` bytes
    std::uint64_t size = 0;         // bytes the block decodes to
    bool sound = false;             // decoded to its end with every wrapped byte used: its CRC held
    bool kept = false;              // all `size` bytes are in `output`
    bool finished = false;          // guarded by the pool
};

// Decodes `job` on the calling thread, into its `output` if it has one. Gives up, leaving the
// job unsound, once `stop` is set.
void decode_bzip2_block(bzip2_block_job& job, const std::atomic<bool>& stop, bzip2_memory* memory = nullptr);

class bzip2_block_pool {
public:
    // Starts `workers` threads; raises std::system_error when one cannot be started.
    explicit bzip2_block_pool(unsigned workers);
    // Abandons queued jobs, stops the workers and waits for them.
    ~bzip2_block_pool();
    bzip2_block_pool(const bzip2_block_pool&) = delete;
    bzip2_block_pool& operator=(const bzip2_block_pool&) = delete;

    void submit(std::shared_ptr<bzip2_block_job> job);
    // Returns once a worker has finished `job`.
    void wait(const std::shared_ptr<bzip2_block_job>& job);
    // Takes back a finished job's output for a later job of the same capacity.
    void recycle(bzip2_block_job& job);

private:
    void work();
    void stop() noexcept;

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<bzip2_block_job>> queue_;
    std::vector<std::unique_ptr<char[]>> spare_; // outputs of `spare_capacity_` bytes
    std::size_t spare_capacity_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> threads_;
};

} // namespace payload
