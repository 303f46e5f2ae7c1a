// InputFilter: undoes the line discipline's PARMRK marks.
#include "serial/inputfilter.h"

namespace {
constexpr char kMark = '\xFF';
}

int InputFilter::feed(const char *raw, std::size_t count, const Options &options, QByteArray &out)
{
    int errors = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = raw[i];
        switch (m_state) {
        case State::Plain:
            if (c == kMark)
                m_state = State::Escape;
            else if (c != '\0' || !options.ignoreNull)
                out.append(c);
            break;
        case State::Escape:
            if (c == kMark) {
                out.append(kMark);
                m_state = State::Plain;
            } else if (c == '\0') {
                m_state = State::EscapeZero;
            } else {
                // Not a mark the line discipline makes: keep both bytes as they came.
                out.append(kMark);
                m_state = State::Plain;
                --i;
            }
            break;
        case State::EscapeZero:
            ++errors;
            out.append(options.replaceErrors ? char(options.replacement) : c);
            m_state = State::Plain;
            break;
        }
    }
    return errors;
}
