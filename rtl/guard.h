// The one exception guard wrapped around every entry point from the Qt event loop.
#pragma once

#include <functional>
#include <type_traits>
#include <utility>

namespace rtl {

// Runs f; an exception stops it where it was and is shown in the standard error box.
void guard(const std::function<void()> &f);

// A callable that runs `f(args...)` under guard(); for connect() and event members. Arguments
// that f does not take (a clicked() flag, say) are dropped.
template <typename F>
auto guarded(F f)
{
    // The choice is made outside the inner lambda: inside it, which is no template, clang would
    // check the branch not taken too.
    return [f = std::move(f)](auto &&...args) {
        if constexpr (std::is_invocable_v<const F &, decltype(args)...>)
            guard([&] { f(std::forward<decltype(args)>(args)...); });
        else
            guard([&] { f(); });
    };
}

} // namespace rtl
