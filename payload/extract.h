#pragma once
#include "payload/byte_source.h"
#include "payload/bzip2_decoding.h"
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

// Decompresses the whole source and discards it: true when the bzip2 stream is sound and
// nothing follows it. Leaves the source at its end.
bool test_archive(byte_source& source, bzip2_decoding decoding = default_bzip2_decoding());

} // namespace payload
