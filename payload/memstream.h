#pragma once
// Streams over memory: a read-only view of bytes someone else owns (the payload resource),
// and a growable buffer that is appended at its end and read back from its start (the
// archive header while it is gathered).
#include <cstddef>
#include <istream>
#include <memory>
#include <streambuf>
#include <utility>

namespace tal {

template <class Char, class Traits = std::char_traits<Char>>
class basic_membuf : public std::basic_streambuf<Char, Traits> {
    using base = std::basic_streambuf<Char, Traits>;

public:
    using int_type = typename Traits::int_type;
    using pos_type = typename Traits::pos_type;
    using off_type = typename Traits::off_type;

    // Growable, read-write, owning its storage.
    basic_membuf() = default;

    // Read-only over [data, data + size), which the caller keeps alive.
    basic_membuf(const Char* data, std::size_t size) : growable_(false)
    {
        Char* begin = const_cast<Char*>(data);
        this->setg(begin, begin, begin + size);
    }

    basic_membuf(basic_membuf&& other) noexcept
        : base(other), storage_(std::move(other.storage_)), growable_(other.growable_)
    {
        other.setg(nullptr, nullptr, nullptr);
        other.setp(nullptr, nullptr);
    }
    basic_membuf& operator=(basic_membuf&&) = delete;

    // Everything held, from the first byte.
    const Char* data() const noexcept { return this->eback(); }
    std::size_t size() const noexcept { return static_cast<std::size_t>(end() - this->eback()); }

protected:
    int_type overflow(int_type ch) override
    {
        if (!growable_)
            return Traits::eof();
        if (Traits::eq_int_type(ch, Traits::eof()))
            return Traits::not_eof(ch);
        if (this->pptr() == this->epptr())
            grow(1);
        *this->pptr() = Traits::to_char_type(ch);
        this->pbump(1);
        return ch;
    }

    std::streamsize xsputn(const Char* s, std::streamsize n) override
    {
        if (!growable_ || n <= 0)
            return 0;
        const auto room = static_cast<std::size_t>(this->epptr() - this->pptr());
        if (room < static_cast<std::size_t>(n))
            grow(static_cast<std::size_t>(n) - room);
        Traits::copy(this->pptr(), s, static_cast<std::size_t>(n));
        // pbump takes an int: step in pieces that fit.
        for (std::streamsize left = n; left > 0;) {
            const int step = left > 0x40000000 ? 0x40000000 : static_cast<int>(left);
            this->pbump(step);
            left -= step;
        }
        return n;
    }

    int_type underflow() override
    {
        if (growable_ && this->pptr() > this->egptr())
            this->setg(this->eback(), this->gptr(), this->pptr());
        return this->gptr() < this->egptr() ? Traits::to_int_type(*this->gptr()) : Traits::eof();
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override
    {
        if (!(which & std::ios_base::in))
            return pos_type(off_type(-1));
        const off_type size = static_cast<off_type>(this->size());
        off_type base_pos = 0;
        if (dir == std::ios_base::cur)
            base_pos = this->gptr() - this->eback();
        else if (dir == std::ios_base::end)
            base_pos = size;
        const off_type target = base_pos + off;
        if (target < 0 || target > size)
            return pos_type(off_type(-1));
        this->setg(this->eback(), this->eback() + target, end());
        return pos_type(target);
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    Char* end() const noexcept { return growable_ && this->pptr() > this->egptr() ? this->pptr() : this->egptr(); }

    // Small buffers grow by 256 units, larger ones by half their size.
    void grow(std::size_t at_least)
    {
        const std::size_t capacity = static_cast<std::size_t>(this->epptr() - this->eback());
        std::size_t step = capacity < 512 ? 256 : capacity / 2;
        if (step < at_least)
            step = at_least;
        const std::size_t used = static_cast<std::size_t>(this->pptr() - this->eback());
        const std::size_t read = static_cast<std::size_t>(this->gptr() - this->eback());
        std::unique_ptr<Char[]> larger(new Char[capacity + step]);
        if (used)
            Traits::copy(larger.get(), this->eback(), used);
        storage_ = std::move(larger);
        Char* begin = storage_.get();
        this->setg(begin, begin + read, begin + used);
        this->setp(begin, begin + capacity + step);
        for (std::size_t left = used; left > 0;) {
            const int step_bytes = left > 0x40000000 ? 0x40000000 : static_cast<int>(left);
            this->pbump(step_bytes);
            left -= static_cast<std::size_t>(step_bytes);
        }
    }

    std::unique_ptr<Char[]> storage_;
    bool growable_ = true;
};

// Reads from memory that the caller owns; never writes and never frees it.
template <class Char, class Traits = std::char_traits<Char>>
class basic_imemstream : public std::basic_istream<Char, Traits> {
    using base = std::basic_istream<Char, Traits>;

public:
    basic_imemstream() : basic_imemstream(nullptr, 0) {}
    basic_imemstream(const Char* data, std::size_t size) : base(nullptr), buf_(data, size) { this->init(&buf_); }
    basic_imemstream(basic_imemstream&& other) : base(std::move(other)), buf_(std::move(other.buf_))
    {
        this->set_rdbuf(&buf_);
    }

    basic_membuf<Char, Traits>* rdbuf() const { return const_cast<basic_membuf<Char, Traits>*>(&buf_); }

private:
    basic_membuf<Char, Traits> buf_;
};

// A growable buffer: written at its end, read from its start.
template <class Char, class Traits = std::char_traits<Char>>
class basic_memstream : public std::basic_iostream<Char, Traits> {
    using base = std::basic_iostream<Char, Traits>;

public:
    basic_memstream() : base(nullptr) { this->init(&buf_); }

    basic_membuf<Char, Traits>* rdbuf() const { return const_cast<basic_membuf<Char, Traits>*>(&buf_); }

private:
    basic_membuf<Char, Traits> buf_;
};

using membuf = basic_membuf<char>;
using imemstream = basic_imemstream<char>;
using memstream = basic_memstream<char>;

} // namespace tal
