#pragma once
#include <array>
#include <string>

namespace tal {

// Fills `buffer` with `length` bytes from advapi32's random source. Throws a std::system_error
// with the system's code when none can be had.
void fill_random(void* buffer, unsigned long length);

// The text of a version 4 UUID made of `bytes`, whose version and variant bits are set here:
// lower case, 8-4-4-4-12 hexadecimal digits, no braces.
std::wstring uuid_v4_text(std::array<unsigned char, 16> bytes);

// A new random version 4 UUID in that form, from advapi32's random source. Throws a
// std::system_error with the system's code when no random bytes can be had.
std::wstring new_uuid_text();

} // namespace tal
