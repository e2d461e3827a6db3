#pragma once
// Whether an archive's entry stays inside the folder its destination token names.
#include <string>

#include "payload/archive_entry.h"

namespace tools {

// Why extracting `entry` (its destination as stored) could write outside the folder of its
// destination's token, or to something that is no plain file there: a destination without a
// known token, an element that is "." or "..", names a drive or a stream, is a device name,
// holds a character Windows refuses in names or ends in a dot or blank, or no file name.
// Empty when the entry is safe to write.
std::string escape_reason(const payload::archive_entry& entry);

} // namespace tools
