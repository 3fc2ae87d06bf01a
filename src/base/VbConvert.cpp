#include "VbConvert.h"

#include <cmath>
#include <limits>

namespace {
bool isSkippable(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

std::optional<double> radixNumber(const QString &digits, int radix)
{
    bool ok = false;
    const qlonglong v = digits.toLongLong(&ok, radix);
    return ok ? std::optional<double>(double(v)) : std::nullopt;
}

// Collects sign, digits, point and exponent of a leading number, skipping blanks.
QString leadingNumberText(const QString &text)
{
    QString num;
    bool digits = false, point = false, exponent = false, expDigits = false;
    for (QChar c : text) {
        if (isSkippable(c))
            continue;
        if (c.isDigit() && c.unicode() < 128) {
            num += c;
            (exponent ? expDigits : digits) = true;
        } else if ((c == u'+' || c == u'-') &&
                   (num.isEmpty() || (exponent && !expDigits && num.back().toUpper() == u'E'))) {
            num += c;
        } else if (c == u'.' && !point && !exponent) {
            num += c;
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && digits && !exponent) {
            num += u'E';
            exponent = true;
        } else {
            break;
        }
    }
    if (exponent && !expDigits) {
        while (!num.isEmpty() && !num.back().isDigit())
            num.chop(1);
    }
    return num;
}
} // namespace

namespace VbConvert {

double roundHalfEven(double v)
{
    return std::nearbyint(v); // the default rounding mode is to nearest, ties to even
}

double leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return radixNumber(t.mid(2), 16).value_or(0.0);
    if (t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return radixNumber(t.mid(2), 8).value_or(0.0);
    bool ok = false;
    const double v = leadingNumberText(text).toDouble(&ok);
    return ok ? v : 0.0;
}

std::optional<int> toInt16(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    std::optional<double> v;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        v = radixNumber(t.mid(2), 16);
    else if (t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        v = radixNumber(t.mid(2), 8);
    else {
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (ok)
            v = d;
    }
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    const double r = roundHalfEven(*v);
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return int(r);
}

int leadingInt32(const QString &text)
{
    const double r = roundHalfEven(leadingNumber(text));
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(r);
}

} // namespace VbConvert
