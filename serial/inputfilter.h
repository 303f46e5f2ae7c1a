// InputFilter: turns the marked byte stream of a port read with PARMRK back into data bytes.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// The line discipline doubles a data 0xFF and marks a byte received with a parity or
// framing error (or a break) as FF 00 x. Marks may straddle reads, so the state carries over.
class InputFilter {
public:
    struct Options {
        bool ignoreNull = false;    // drop NUL data bytes
        bool replaceErrors = false; // a byte received in error becomes `replacement`
        std::uint8_t replacement = 0;
    };

    // Appends the data bytes of `raw` to `out`; returns how many bytes arrived in error.
    int feed(const char *raw, std::size_t count, const Options &options, QByteArray &out);
    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, Escape, EscapeZero };
    State m_state = State::Plain;
};
