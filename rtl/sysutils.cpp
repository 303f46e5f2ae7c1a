// Text/number conversions modelled on the runtime the radio's programming files were made with.
#include "rtl/sysutils.h"

#include "rtl/exception.h"

#include <QByteArray>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace rtl {

namespace {

[[noreturn]] void throwInteger(const QString &text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

[[noreturn]] void throwFloat(const QString &text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Digits of a double rounded to `significant` places: returns the digit string and the decimal
// exponent of its first digit (value = 0.d1d2d3... * 10^(exp+1)).
struct Decimal {
    QByteArray digits;
    int exponent = 0;
    bool negative = false;
};

Decimal toDecimal(double value, int significant)
{
    Decimal d;
    d.negative = std::signbit(value);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(value));
    // buf: d.ddddde[+-]xx
    const char *p = buf;
    d.digits.append(*p++);
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9')
            d.digits.append(*p++);
    }
    if (*p == 'e')
        d.exponent = std::atoi(p + 1);
    return d;
}

} // namespace

int StrToInt(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0')
               && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        throwInteger(text);
    // Hexadecimal literals may use the full 32 bits ($FFFFFFFF is -1); decimals must fit an int.
    const unsigned long long limit = base == 16 ? 0xFFFFFFFFull
                                                : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    unsigned long long value = 0;
    for (; i < n; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || digit >= base)
            throwInteger(text);
        value = value * base + digit;
        if (value > limit)
            throwInteger(text);
    }
    if (base == 16) {
        const auto bits = static_cast<std::uint32_t>(value);
        const auto result = static_cast<std::int32_t>(bits);
        return negative ? static_cast<int>(0u - bits) : result;
    }
    return negative ? static_cast<int>(-static_cast<long long>(value)) : static_cast<int>(value);
}

double StrToFloat(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    if (latin.size() != text.size() || latin.contains('\0'))
        throwFloat(text);
    const char *s = latin.constData();
    int i = 0;
    const int n = latin.size();
    while (i < n && s[i] == ' ')
        ++i;
    const int start = i;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    int digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        throwFloat(text);
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        int expDigits = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            throwFloat(text);
    }
    const int end = i;
    while (i < n && s[i] == ' ')
        ++i;
    if (i != n)
        throwFloat(text);
    const std::string number(s + start, s + end);
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value))
        throwFloat(text);
    return value;
}

QString FloatToStr(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0.0)
        return QStringLiteral("0");
    constexpr int kPrecision = 15;
    Decimal d = toDecimal(value, kPrecision);
    while (d.digits.size() > 1 && d.digits.endsWith('0'))
        d.digits.chop(1);
    QString out;
    if (d.negative)
        out += QLatin1Char('-');
    const int intDigits = d.exponent + 1;
    const bool fixed = intDigits <= kPrecision && std::fabs(value) >= 0.00001;
    if (fixed) {
        if (intDigits <= 0) {
            out += QStringLiteral("0.");
            out += QString(-intDigits, QLatin1Char('0'));
            out += QString::fromLatin1(d.digits);
        } else {
            QByteArray digits = d.digits;
            while (digits.size() < intDigits)
                digits.append('0');
            out += QString::fromLatin1(digits.left(intDigits));
            if (digits.size() > intDigits)
                out += QLatin1Char('.') + QString::fromLatin1(digits.mid(intDigits));
        }
    } else {
        out += QLatin1Char(d.digits[0]);
        if (d.digits.size() > 1)
            out += QLatin1Char('.') + QString::fromLatin1(d.digits.mid(1));
        out += QLatin1Char('E') + QString::number(d.exponent);
    }
    return out;
}

QString FormatFloat(const QString &pattern, double value)
{
    // Only the plain fixed patterns the program uses: "0" or "0." followed by zeros.
    int decimals = 0;
    const int dot = pattern.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        decimals = pattern.size() - dot - 1;
    if (!std::isfinite(value))
        return FloatToStr(value);

    // Round the 17-digit decimal expansion half away from zero, as the runtime does.
    Decimal d = toDecimal(value, 17);
    const int keep = d.exponent + 1 + decimals; // digits that survive
    QByteArray digits = d.digits;
    int exponent = d.exponent;
    if (keep < 0) {
        digits = "0";
        exponent = 0;
    } else {
        bool roundUp = keep < digits.size() && digits[keep] >= '5';
        digits.truncate(std::min<int>(keep, digits.size()));
        if (roundUp) {
            int k = digits.size() - 1;
            while (k >= 0 && digits[k] == '9') {
                digits[k] = '0';
                --k;
            }
            if (k >= 0) {
                digits[k] = static_cast<char>(digits[k] + 1);
            } else {
                digits.prepend('1');
                ++exponent;
            }
        }
        if (digits.isEmpty()) {
            digits = "0";
            exponent = 0;
        }
    }
    // Lay the digits out as integer part and `decimals` fraction digits.
    const int intDigits = exponent + 1;
    QByteArray intPart;
    QByteArray fracPart;
    for (int pos = 0; pos < intDigits; ++pos)
        intPart.append(pos < digits.size() ? digits[pos] : '0');
    for (int pos = 0; pos < decimals; ++pos) {
        const int idx = intDigits + pos;
        fracPart.append(idx >= 0 && idx < digits.size() ? digits[idx] : '0');
    }
    while (intPart.size() > 1 && intPart.startsWith('0'))
        intPart.remove(0, 1);
    if (intPart.isEmpty())
        intPart = "0";
    const QByteArray all = intPart + fracPart;
    const bool allZero = all.count('0') == all.size();
    QString out;
    if (d.negative && !allZero)
        out += QLatin1Char('-');
    out += QString::fromLatin1(intPart);
    if (decimals > 0)
        out += QLatin1Char('.') + QString::fromLatin1(fracPart);
    return out;
}

QString IntToStr(long long value)
{
    return QString::number(value);
}

} // namespace rtl
