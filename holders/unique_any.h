#pragma once
// One move-only owner for every kind of handle. A kind is described by a traits type:
//   using type = ...;            the handle type
//   static type invalid();       the value that owns nothing
//   static void close(type);     releases a valid handle; must keep the thread's last error
#include <utility>

namespace tal {

template <class Traits>
class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(pointer p) noexcept : p_(p) {}
    unique_any(unique_any&& other) noexcept : p_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    pointer get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(p_, Traits::invalid()); }

    void reset(pointer p = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(p_, p);
        if (old != Traits::invalid())
            Traits::close(old);
    }

    // For out-parameters: releases what is held and hands out the slot.
    pointer* put() noexcept
    {
        reset();
        return &p_;
    }

private:
    pointer p_ = Traits::invalid();
};

} // namespace tal
