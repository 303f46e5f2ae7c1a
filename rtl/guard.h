// The one exception guard wrapped around every entry point from the Qt event loop.
#pragma once

#include <functional>
#include <type_traits>
#include <utility>

namespace rtl {

// Runs f; an exception stops it where it was and is shown in the standard error box.
void guard(const std::function<void()> &f);

namespace detail {
// f(args...), or f() when f takes none of them.
template <typename F, typename... Args>
void callDropping(const F &f, Args &&...args)
{
    if constexpr (std::is_invocable_v<const F &, Args...>)
        f(std::forward<Args>(args)...);
    else
        f();
}
} // namespace detail

// A callable that runs `f(args...)` under guard(); for connect() and event members. Arguments
// that f does not take (a clicked() flag, say) are dropped.
template <typename F>
auto guarded(F f)
{
    return [f = std::move(f)](auto &&...args) -> void {
        guard([&] { detail::callDropping(f, std::forward<decltype(args)>(args)...); });
    };
}

} // namespace rtl
