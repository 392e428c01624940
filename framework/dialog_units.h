// Dialog units: templates place controls in units of a quarter of the dialog font's average
// character width and an eighth of its height, so a layout keeps its proportions whatever
// font the desktop uses. This converts them to pixels the way the Windows dialog manager does.
#pragma once

#include <QFont>
#include <QRect>

// number * numerator / denominator through a 64-bit product, rounded half away from zero;
// -1 when denominator is 0.
int MulDiv(int number, int numerator, int denominator);

class CDialogUnits
{
public:
    // The base units of a font: the average width of the 52 letters A-Z a-z, rounded, and
    // the character height (ascent plus descent), in pixels.
    static CDialogUnits FromFont(const QFont &font);
    CDialogUnits(int baseX, int baseY)
        : m_baseX(baseX)
        , m_baseY(baseY)
    { }

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }
    int ToPixelsX(int du) const { return MulDiv(du, m_baseX, 4); }
    int ToPixelsY(int du) const { return MulDiv(du, m_baseY, 8); }
    QRect MapRect(int x, int y, int cx, int cy) const;

private:
    int m_baseX;
    int m_baseY;
};
