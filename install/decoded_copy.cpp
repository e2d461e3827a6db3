#include "install/decoded_copy.h"

#include <algorithm>
#include <cstring>

#include "payload/compress_error.h"
#include "support/random_uuid.h"

namespace {

// Few enough calls that the file costs next to nothing beside the decoding.
constexpr std::size_t chunk = 256 * 1024;

class copy_reader : public payload::decoded_reader {
public:
    copy_reader(tal::unique_hfile file, std::uint64_t size, std::uint64_t compressed)
        : file_(std::move(file)), left_(size), compressed_(compressed), buffer_(chunk)
    {
    }

    std::size_t read(char* out, std::size_t count) override
    {
        std::size_t done = 0;
        while (done < count) {
            if (next_ == end_ && !Refill())
                break;
            const std::size_t n = std::min(count - done, end_ - next_);
            std::memcpy(out + done, buffer_.data() + next_, n);
            next_ += n;
            done += n;
        }
        return done;
    }

    std::uint64_t bytes_read() const override { return left_ == 0 && next_ == end_ ? compressed_ : 0; }

private:
    bool Refill()
    {
        if (left_ == 0)
            return false;
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(buffer_.size(), left_));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer_.data(), want, &got, nullptr))
            throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "decoded copy");
        if (got == 0) // the file is shorter than what was written to it
            payload::raise(payload::compress_errc::unexpected_error);
        left_ -= got;
        next_ = 0;
        end_ = got;
        return true;
    }

    tal::unique_hfile file_;
    std::uint64_t left_;
    std::uint64_t compressed_;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

} // namespace

DecodedCopy DecodedCopy::Create(const std::wstring& folder)
{
    ULARGE_INTEGER free{};
    if (folder.empty() || !::GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr))
        return {};
    return Create(folder, free.QuadPart / 2);
}

DecodedCopy DecodedCopy::Create(const std::wstring& folder, std::uint64_t room)
{
    DecodedCopy copy;
    std::wstring name;
    try {
        name = folder + L"Vantrel-" + tal::new_uuid_text() + L".tmp";
    } catch (const std::exception&) {
        return copy;
    }
    // A new name that nobody else can open while this process holds it.
    copy.m_file.reset(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
    if (!copy.m_file)
        return copy;
    copy.m_room = room;
    copy.m_buffer.reserve(chunk);
    return copy;
}

void DecodedCopy::Append(const char* bytes, std::size_t count) noexcept
{
    if (!m_file)
        return;
    if (m_written + m_buffer.size() + count > m_room) {
        GiveUp();
        return;
    }
    while (count > 0) {
        const std::size_t n = std::min(count, chunk - m_buffer.size());
        m_buffer.insert(m_buffer.end(), bytes, bytes + n);
        bytes += n;
        count -= n;
        if (m_buffer.size() == chunk && !Flush())
            return;
    }
}

bool DecodedCopy::Finish() noexcept
{
    return m_file && Flush();
}

bool DecodedCopy::Flush() noexcept
{
    DWORD wrote = 0;
    if (!m_buffer.empty()
        && (!::WriteFile(m_file.get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &wrote, nullptr)
            || wrote != m_buffer.size())) {
        GiveUp();
        return false;
    }
    m_written += m_buffer.size();
    m_buffer.clear();
    return true;
}

void DecodedCopy::GiveUp() noexcept
{
    m_file.reset();
    m_buffer = {};
}

std::unique_ptr<payload::decoded_reader> DecodedCopy::TakeReader(std::uint64_t compressed)
{
    if (!Finish())
        return nullptr;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(m_file.get(), start, nullptr, FILE_BEGIN)) {
        GiveUp();
        return nullptr;
    }
    return std::make_unique<copy_reader>(std::move(m_file), m_written, compressed);
}
