#include "state/log_reader.h"

#include <cwctype>

namespace state {
namespace {

bool is_space(wchar_t c)
{
    // What the classic wide ctype asks the C library for.
    return std::iswspace(static_cast<std::wint_t>(c)) != 0;
}

void trim_right(std::wstring& text)
{
    while (!text.empty() && is_space(text.back()))
        text.pop_back();
}

void trim_left(std::wstring& text)
{
    std::size_t start = 0;
    while (start < text.size() && is_space(text[start]))
        ++start;
    text.erase(0, start);
}

void trim(std::wstring& text)
{
    trim_right(text);
    trim_left(text);
}

// Removes `marker` and everything before it; false when it does not occur.
bool after_marker(std::wstring& text, const wchar_t* marker)
{
    const std::size_t at = text.find(marker);
    if (at == std::wstring::npos)
        return false;
    text.erase(0, at + std::char_traits<wchar_t>::length(marker));
    return true;
}

// A cursor over an entry line with the few pieces of grammar it needs.
class line_parser {
public:
    explicit line_parser(const std::wstring& text) : text_(text) {}

    void skip_space()
    {
        while (at_ < text_.size() && is_space(text_[at_]))
            ++at_;
    }

    // A non-negative integer in `base`; false when there is none, it is negative or too large.
    bool number(unsigned base, std::uint64_t& value)
    {
        skip_space();
        if (at_ < text_.size() && (text_[at_] == L'+' || text_[at_] == L'-')) {
            if (text_[at_] == L'-')
                return false;
            ++at_;
        }
        const std::size_t start = at_;
        value = 0;
        while (at_ < text_.size()) {
            const int digit = digit_value(text_[at_], base);
            if (digit < 0)
                break;
            if (value > (UINT64_MAX - static_cast<unsigned>(digit)) / base)
                return false;
            value = value * base + static_cast<unsigned>(digit);
            ++at_;
        }
        return at_ > start;
    }

    bool character(wchar_t expected)
    {
        skip_space();
        if (at_ < text_.size() && text_[at_] == expected) {
            ++at_;
            return true;
        }
        return false;
    }

    std::wstring word()
    {
        skip_space();
        const std::size_t start = at_;
        while (at_ < text_.size() && !is_space(text_[at_]))
            ++at_;
        return text_.substr(start, at_ - start);
    }

    std::wstring rest()
    {
        skip_space();
        return text_.substr(at_);
    }

private:
    static int digit_value(wchar_t c, unsigned base)
    {
        int digit = -1;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
    }

    const std::wstring& text_;
    std::size_t at_ = 0;
};

// An entry line; false when it is damaged.
bool parse_entry(const std::wstring& text, log_record_entry& entry)
{
    line_parser p(text);
    std::uint64_t position = 0, flags = 0;
    if (!p.number(10, position) || !p.character(L':'))
        return false;
    if (!p.number(16, flags) || (flags >> 8) >= 8 || !p.character(L':'))
        return false;
    p.skip_space();
    if (p.character(L'1'))
        entry.succeeded = true;
    else if (p.character(L'0'))
        entry.succeeded = false;
    else
        return false;
    if (p.word() != L"--")
        return false;
    entry.kind = static_cast<int>(flags >> 8);
    const auto low = static_cast<std::uint32_t>(flags & 0xFF);
    entry.value = low == 0xFF ? 0xFFFFFFFFu : low;
    entry.text = p.rest();
    return true;
}

class reader {
public:
    reader(log_source& source, const log_reader_hooks& hooks, log_record& record)
        : source_(source), hooks_(hooks), record_(record) {}

    void run()
    {
        std::wstring text;
        for (line got = read_line(text); got == line::text; got = read_line(text)) {
            if (text.empty())
                continue; // no character: not a line
            trim_right(text);
            if (!(text.compare(0, 2, L"//") == 0 ? comment_line(text) : entry_line(text)))
                return;
        }
    }

private:
    enum class line { text, end, stop };

    // The next line's text, line end included.
    line read_line(std::wstring& text)
    {
        std::string bytes;
        const line got = utf16_ ? read_utf16_units(bytes) : read_bytes(bytes);
        if (got != line::text)
            return got;
        text.clear();
        if (utf16_) {
            const std::size_t start = first_utf16_line_ ? 2 : 0; // the byte-order mark
            first_utf16_line_ = false;
            for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
                text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])
                                             | static_cast<unsigned char>(bytes[i + 1]) << 8);
        } else {
            text = hooks_.ansi_to_wide(bytes);
        }
        return line::text;
    }

    // Appends one byte; false when the line would not fit in the buffer.
    static bool keep(std::string& bytes, unsigned char byte)
    {
        if (bytes.size() == log_line_buffer_size)
            return false;
        bytes += static_cast<char>(byte);
        return true;
    }

    // An 8-bit line, or the first line of any file: bytes up to a line feed. A first line
    // that starts with FF FE switches the file to UTF-16; the line feed's high byte follows.
    line read_bytes(std::string& bytes)
    {
        unsigned char byte = 0;
        for (;;) {
            const log_source::result got = source_.read_byte(byte);
            if (got == log_source::result::failed)
                return line::stop;
            if (got == log_source::result::end)
                return bytes.empty() ? line::end : line::text;
            if (!keep(bytes, byte))
                return line::stop;
            if (byte == 0x0A)
                break;
        }
        if (line_counter_ == 0 && bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
            && static_cast<unsigned char>(bytes[1]) == 0xFE) {
            utf16_ = true;
            const log_source::result got = source_.read_byte(byte);
            if (got == log_source::result::failed)
                return line::stop;
            if (got == log_source::result::byte && !keep(bytes, byte))
                return line::stop;
        }
        return line::text;
    }

    // A UTF-16 line: whole code units up to U+000A, so that a character whose low byte is
    // 0x0A (U+010A, U+4E0A and the like) does not end the line.
    line read_utf16_units(std::string& bytes)
    {
        unsigned char low = 0, high = 0;
        for (;;) {
            log_source::result got = source_.read_byte(low);
            if (got == log_source::result::failed)
                return line::stop;
            if (got == log_source::result::end)
                return bytes.empty() ? line::end : line::text;
            got = source_.read_byte(high);
            if (got == log_source::result::failed)
                return line::stop;
            if (got == log_source::result::end)
                return line::text; // an odd byte at the end is no character
            if (!keep(bytes, low) || !keep(bytes, high))
                return line::stop;
            if (low == 0x0A && high == 0)
                return line::text;
        }
    }

    bool comment_line(std::wstring text)
    {
        std::size_t slashes = 0;
        while (slashes < text.size() && text[slashes] == L'/')
            ++slashes;
        text.erase(0, slashes);
        trim_left(text);
        switch (line_counter_) {
        case 0: {
            if (after_marker(text, L"Uninstall Log File v")) {
                std::uint64_t version = 0;
                line_parser p(text);
                version_ = p.number(10, version) ? version : 0;
            }
            if (version_ != 1)
                return false;
            break;
        }
        case 2: {
            if (!after_marker(text, L"Install"))
                return false;
            const std::size_t dashes = text.find(L"--");
            if (dashes != std::wstring::npos)
                text.erase(dashes);
            trim(text);
            record_.title = text;
            record_.title_read = true;
            break;
        }
        case 3:
        case 4: {
            if (!after_marker(text, line_counter_ == 3 ? L"Install Path : " : L"Shortcut Path : "))
                return false;
            trim(text);
            if (hooks_.is_folder(text))
                (line_counter_ == 3 ? record_.install_folder : record_.shortcut_folder) = text;
            break;
        }
        default: break;
        }
        ++line_counter_;
        return true;
    }

    bool entry_line(const std::wstring& text)
    {
        log_record_entry entry;
        if (version_ != 1 || !parse_entry(text, entry))
            return false;
        record_.entries.push_back(std::move(entry));
        ++line_counter_;
        return true;
    }

    log_source& source_;
    const log_reader_hooks& hooks_;
    log_record& record_;
    std::uint64_t version_ = 0;
    unsigned line_counter_ = 0;
    bool utf16_ = false;
    bool first_utf16_line_ = true;
};

} // namespace

void read_log_record(log_source& source, const log_reader_hooks& hooks, log_record& record)
{
    reader(source, hooks, record).run();
}

} // namespace state
