// Dialog units to pixels.
#include "dialog_units.h"

#include <cstdint>
#include <cstdlib>

#include <QFontMetrics>

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = std::int64_t(number) * numerator;
    const std::int64_t half = std::llabs(denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

CDialogUnits CDialogUnits::FromFont(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Twice the 26-letter average, plus one, halved: the 52-letter average rounded to nearest.
    return CDialogUnits((letters / 26 + 1) / 2, metrics.height());
}

QRect CDialogUnits::MapRect(int x, int y, int cx, int cy) const
{
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}
