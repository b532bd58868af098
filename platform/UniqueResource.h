#pragma once

#include <utility>

namespace plover {

// Owns one OS resource (a handle, key, socket, COM pointer ...). Traits give
// the empty value and the way to close:
//   struct Traits { using Type = ...; static Type Empty(); static void Close(Type); };
template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept : value_(Traits::Empty()) {}
    explicit UniqueResource(Type value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Empty(); }

    // For out-parameters: closes what is held and hands out the slot.
    Type* put() noexcept {
        reset();
        return &value_;
    }

    Type release() noexcept { return std::exchange(value_, Traits::Empty()); }

    void reset(Type value = Traits::Empty()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Empty()) Traits::Close(old);
    }

private:
    Type value_;
};

// Runs a clean-up step when the scope is left.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (active_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void dismiss() noexcept { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

}  // namespace plover
