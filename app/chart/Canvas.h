#pragma once
// The drawing surface of the chart board. TKeloDraw paints only through this
// interface, so the same code draws the screen bitmap, a printer page and a
// recording canvas in the tests.
//
// Coordinates are device pixels. Fonts follow the classic desktop model: a
// size in points is turned into a pixel height at the font's pixels-per-inch,
// and a negative height means a character height (the em box), the form the
// chart uses throughout.

#include <QColor>
#include <QRect>
#include <QString>

class Canvas {
public:
    virtual ~Canvas() = default;

    // --- font
    virtual void setFontName(const QString &name) = 0;
    // Size in points at fontPixelsPerInch(); the pixel height becomes
    // -round(points × ppi / 72).
    virtual void setFontSize(int points) = 0;
    // Pixel height; negative = character height.
    virtual void setFontHeight(int pixels) = 0;
    virtual void setFontCharset(int charset) = 0;
    virtual void setFontColor(const QColor &color) = 0;
    virtual QString fontName() const = 0;
    virtual int fontHeight() const = 0;
    virtual int fontPixelsPerInch() const = 0;
    virtual void saveFont() = 0;
    virtual void restoreFont() = 0;

    // --- brush and pen
    virtual void setBrushColor(const QColor &color) = 0;
    virtual void setPenColor(const QColor &color) = 0;
    virtual void setPenWidth(int width) = 0;
    // Lines replace the pixels under them (no raster combination).
    virtual void setPenModeCopy() = 0;

    // --- drawing
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual QRect clipRect() const = 0;
    // Fills with the brush colour.
    virtual void fillRect(const QRect &rect) = 0;
    // (x, y) is the top-left corner of the text; its box is filled with the
    // brush colour first (opaque background).
    virtual void textOut(int x, int y, const QString &text) = 0;
    virtual int textWidth(const QString &text) = 0;
    virtual int textHeight(const QString &text) = 0;

    // The resolution the screen is laid out for (96 on a standard desktop).
    virtual int screenPixelsPerInch() const = 0;
};

// Charset code of the simplified Chinese code page.
inline constexpr int kGb2312Charset = 134;
// The two font roles of the chart: the body font and the pillar font.
inline const QString kSongTi = QStringLiteral("宋体");
inline const QString kHeiTi = QStringLiteral("黑体");

// Pixel height of a font of `points` at `ppi`: the character height,
// rounded half away from zero as the desktop's font sizing does.
inline int PointsToPixelHeight(int points, int ppi)
{
    const long long n = 1LL * points * ppi;
    const long long h = (2 * (n < 0 ? -n : n) + 72) / 144;
    return int(n < 0 ? h : -h);
}
