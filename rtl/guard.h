// The one exception guard wrapped around every entry point from the Qt event loop.
#pragma once

#include <functional>
#include <utility>

namespace rtl {

// Runs f; an exception stops it where it was and is shown in the standard error box.
void guard(const std::function<void()> &f);

// A callable that runs `f(args...)` under guard(); for connect() and event members.
template <typename F>
auto guarded(F f)
{
    return [f = std::move(f)](auto &&...args) {
        guard([&] { f(std::forward<decltype(args)>(args)...); });
    };
}

} // namespace rtl
