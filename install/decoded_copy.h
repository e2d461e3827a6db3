#pragma once
// The payload's decoded bytes, kept by the archive test in a temporary file so that the
// extraction reads them instead of decoding the payload a second time. The file is open to
// this process alone from its creation on, so nobody can change what the extraction will
// write, and it goes when its handle closes, at the process's end at the latest.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "holders/handles.h"
#include "payload/decoded_reader.h"

class DecodedCopy {
public:
    // No copy: it takes nothing and is never complete.
    DecodedCopy() = default;
    // A new copy in `folder` (with its trailing backslash) that uses at most half of the
    // volume's free space; none when the file cannot be made.
    static DecodedCopy Create(const std::wstring& folder);
    // The same with `room` bytes at most.
    static DecodedCopy Create(const std::wstring& folder, std::uint64_t room);

    explicit operator bool() const noexcept { return static_cast<bool>(m_file); }

    // Adds the next decoded bytes. A failure, or a copy that outgrows its room, gives the copy
    // up: the extraction then decodes the payload itself.
    void Append(const char* bytes, std::size_t count) noexcept;
    // Writes what is buffered; true when the file holds every byte appended.
    bool Finish() noexcept;

    // A reader of the copy from its start that takes the file along; `compressed` is what the
    // archive's stream took from its source.
    std::unique_ptr<payload::decoded_reader> TakeReader(std::uint64_t compressed);

private:
    bool Flush() noexcept;
    void GiveUp() noexcept;

    tal::unique_hfile m_file;
    std::vector<char> m_buffer;
    std::uint64_t m_written = 0;
    std::uint64_t m_room = 0;
};
