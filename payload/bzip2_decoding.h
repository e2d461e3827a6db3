#pragma once

namespace payload {

// How the payload's bzip2 stream is decoded: by `workers` threads beside the caller's, or,
// with none, on the caller's thread alone.
struct bzip2_decoding {
    unsigned workers = 0;
};

// One worker per core the process may use, at most four, where there is more than one;
// none otherwise.
bzip2_decoding default_bzip2_decoding() noexcept;

} // namespace payload
