#pragma once
// The chart canvas on a QPainter: the screen bitmap (a QImage) or a printer
// page. The two font roles of the chart are mapped to installed CJK fonts
// through fontconfig: "宋体" to a Ming serif (AR PL UMing), "黑体" to a heavy
// sans-serif (WenQuanYi Zen Hei); any other name is passed on as a family.

#include "Canvas.h"

#include <QFont>
#include <QPainter>
#include <QPoint>

class QImage;
class QPrinter;

class QtCanvas : public Canvas {
public:
    // The resolution the chart's screen geometry is laid out for.
    static constexpr int kScreenPpi = 96;

    // Paints on painter's device; fonts are sized for fontPpi (the screen's
    // resolution for a bitmap, the printer's vertical resolution for a page).
    QtCanvas(QPainter &painter, int fontPpi, int screenPpi = kScreenPpi);

    // The font that stands for a font name of the chart.
    static QFont FontForName(const QString &name);

    void setFontName(const QString &name) override;
    void setFontSize(int points) override;
    void setFontHeight(int pixels) override;
    void setFontCharset(int charset) override { m_charset = charset; }
    void setFontColor(const QColor &color) override { m_fontColor = color; }
    QString fontName() const override { return m_fontName; }
    int fontHeight() const override { return m_height; }
    int fontPixelsPerInch() const override { return m_fontPpi; }
    void saveFont() override;
    void restoreFont() override;
    void setBrushColor(const QColor &color) override { m_brush = color; }
    void setPenColor(const QColor &color) override;
    void setPenWidth(int width) override;
    void setPenModeCopy() override;
    void moveTo(int x, int y) override { m_current = QPoint(x, y); }
    void lineTo(int x, int y) override;
    QRect clipRect() const override;
    void fillRect(const QRect &rect) override;
    void textOut(int x, int y, const QString &text) override;
    int textWidth(const QString &text) override;
    int textHeight(const QString &text) override;
    int screenPixelsPerInch() const override { return m_screenPpi; }

private:
    void applyFont();

    QPainter &m_painter;
    int m_fontPpi, m_screenPpi;
    QString m_fontName = kSongTi;
    int m_height = -13;
    int m_charset = 1;
    QColor m_fontColor = Qt::black;
    QFont m_font;
    struct Saved { QString name; int height; int charset; QColor color; } m_saved{};
    QColor m_brush = Qt::white;
    QPen m_pen;
    QPoint m_current;
};
