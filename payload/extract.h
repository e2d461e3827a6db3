#pragma once
#include "payload/byte_source.h"
#include "payload/bzip2_decoding.h"
#include "payload/decoded_reader.h"
#include "payload/destination.h"
#include "payload/notification.h"

namespace payload {

// Extracts the compressed archive read from `source` (from where it stands once `started`
// has been answered) to the folders of `roots`, reporting every step to `callback`.
// Returns true after `finished`; false after `error`, which carries the one code and path of
// the failure. Files written before a failure stay on disk. Either decoding gives the same
// notifications, errors and bytes.
bool extract_archive(byte_source& source, const destination_roots& roots, const extract_callback& callback,
                     bzip2_decoding decoding = default_bzip2_decoding());

// As above, over the decoded bytes of the reader that `open` makes once `started` has been
// answered (a caller that tested the archive then may have kept them).
bool extract_archive(const decoded_reader_factory& open, const destination_roots& roots,
                     const extract_callback& callback);

// A decoder of the `size` compressed bytes at `data`, which stay readable while it lives.
std::unique_ptr<decoded_reader> decode_memory(const char* data, std::size_t size,
                                              bzip2_decoding decoding = default_bzip2_decoding());

// Decompresses the whole source and discards it: true when the bzip2 stream is sound and
// nothing follows it. Leaves the source at its end.
bool test_archive(byte_source& source, bzip2_decoding decoding = default_bzip2_decoding());

// As above, handing every decoded piece to `sink` on the way.
bool test_archive(byte_source& source, const decoded_sink& sink, bzip2_decoding decoding = default_bzip2_decoding());

} // namespace payload
