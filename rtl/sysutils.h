// Text/number conversions with the exact texts and rules the windows and the codecs rely on.
#pragma once

#include <QString>
#include <cstdint>

namespace rtl {

// Decimal or "$"/"0x" hexadecimal 32-bit integer, leading blanks allowed, nothing behind it.
// Throws EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString &text);

// Decimal floating-point number with '.' and optional exponent, surrounding blanks allowed.
// Throws EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const QString &text);

// Shortest general form with up to 15 significant digits ("145125000", "88.5", "1E20").
QString FloatToStr(double value);

// Fixed-point pattern "0", "0.0", "0.00000", …: rounded half away from zero on the decimal
// expansion, no minus sign on a result that rounds to zero.
QString FormatFloat(const QString &pattern, double value);

QString IntToStr(long long value);

} // namespace rtl
