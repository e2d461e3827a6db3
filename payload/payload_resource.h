#pragma once
#include "payload/memstream.h"

struct HINSTANCE__;

namespace payload {

// The compressed archive is the resource of type 260, name 134.
inline constexpr int payload_resource_type = 260;
inline constexpr int payload_resource_name = 134;

#ifdef _WIN32
// A source over the payload of the current language's resource module (may be null), else
// of the executable. An absent or empty resource gives an empty source; opening never fails.
tal::imemstream open_payload(HINSTANCE__* language_module);
#endif

} // namespace payload
