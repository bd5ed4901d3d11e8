// One owner for every kind of OS handle: the closing function is part of the type, so no exit
// path can forget it. Move-only; an owner holding the empty value closes nothing.
#pragma once

#include <utility>

template <class Traits> class Owned {
  public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    Handle release() { return std::exchange(handle_, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) {
        if (handle_ != Traits::Empty())
            Traits::Close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Traits::Empty();
};

// Traits for the usual kind of handle, whose empty value is null.
template <class H, auto CloseFn> struct NullIsEmpty {
    using Handle = H;
    static Handle Empty() { return Handle{}; }
    static void Close(Handle handle) { CloseFn(handle); }
};

template <class H, auto CloseFn> using OwnedHandle = Owned<NullIsEmpty<H, CloseFn>>;
