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

// A libbz2 decompression stream in normal (not reduced-memory) mode, ended with its owner.
class bzip2_decompression {
public:
    bzip2_decompression(); // raises bzip2_failure
    ~bzip2_decompression();
    bzip2_decompression(const bzip2_decompression&) = delete;
    bzip2_decompression& operator=(const bzip2_decompression&) = delete;

    bz_stream& stream() noexcept { return stream_; }

private:
    bz_stream stream_{};
};

// One block to decode, and what decoding it gave. The fields after `capacity` belong to the
// worker until the pool reports the job finished.
struct bzip2_block_job {
    std::vector<unsigned char> wrapped; // the block as a stream of its own
    std::size_t capacity = 0;           // decoded bytes kept, at most

    std::unique_ptr<char[]> output; // the decoded bytes when `kept`
    std::uint64_t size = 0;         // bytes the block decodes to
    bool sound = false;             // decoded to its end with every wrapped byte used: its CRC held
    bool kept = false;              // all `size` bytes are in `output`
    bool finished = false;          // guarded by the pool
};

// Decodes `job` on the calling thread. Gives up, leaving the job unsound, once `stop` is set.
void decode_bzip2_block(bzip2_block_job& job, const std::atomic<bool>& stop);

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

private:
    void work();
    void stop() noexcept;

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<bzip2_block_job>> queue_;
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> threads_;
};

} // namespace payload
