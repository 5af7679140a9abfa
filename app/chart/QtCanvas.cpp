#include "QtCanvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <algorithm>
#include <cstdlib>

QtCanvas::QtCanvas(QPainter &painter, int fontPpi, int screenPpi)
    : m_painter(painter), m_fontPpi(fontPpi > 0 ? fontPpi : kScreenPpi),
      m_screenPpi(screenPpi > 0 ? screenPpi : kScreenPpi)
{
    // Lines stay crisp (the grid must keep its exact colour); text is smooth.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_pen = QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    applyFont();
}

QFont QtCanvas::FontForName(const QString &name)
{
    QFont font;
    if (name == kSongTi) {
        font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                          QStringLiteral("AR PL SungtiL GB"), QStringLiteral("Noto Serif CJK SC")});
        font.setStyleHint(QFont::Serif);
    } else if (name == kHeiTi) {
        font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                          QStringLiteral("Droid Sans Fallback")});
        font.setStyleHint(QFont::SansSerif);
        font.setWeight(QFont::Bold);
    } else {
        font.setFamily(name);
    }
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void QtCanvas::applyFont()
{
    m_font = FontForName(m_fontName);
    // A positive height is a cell height (ascent plus descent); the chart
    // always asks for character heights, so a cell height is taken as such.
    m_font.setPixelSize(std::max(1, std::abs(m_height)));
    m_painter.setFont(m_font);
}

void QtCanvas::setFontName(const QString &name)
{
    m_fontName = name;
    applyFont();
}

void QtCanvas::setFontSize(int points)
{
    m_height = PointsToPixelHeight(points, m_fontPpi);
    applyFont();
}

void QtCanvas::setFontHeight(int pixels)
{
    m_height = pixels;
    applyFont();
}

void QtCanvas::saveFont()
{
    m_saved = {m_fontName, m_height, m_charset, m_fontColor};
}

void QtCanvas::restoreFont()
{
    m_fontName = m_saved.name;
    m_height = m_saved.height;
    m_charset = m_saved.charset;
    m_fontColor = m_saved.color;
    applyFont();
}

void QtCanvas::setPenColor(const QColor &color)
{
    m_pen.setColor(color);
}

void QtCanvas::setPenWidth(int width)
{
    m_pen.setWidth(std::max(1, width));
}

void QtCanvas::setPenModeCopy()
{
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void QtCanvas::lineTo(int x, int y)
{
    const QPoint to(x, y);
    m_painter.setPen(m_pen);
    m_painter.drawLine(m_current, to);
    m_current = to;
}

QRect QtCanvas::clipRect() const
{
    if (m_painter.hasClipping())
        return m_painter.clipBoundingRect().toAlignedRect();
    const QPaintDevice *device = m_painter.device();
    return device ? QRect(0, 0, device->width(), device->height()) : QRect();
}

void QtCanvas::fillRect(const QRect &rect)
{
    m_painter.fillRect(rect, m_brush);
}

void QtCanvas::textOut(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(m_font, m_painter.device());
    m_painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), m_brush);
    m_painter.setPen(m_fontColor);
    m_painter.drawText(x, y + metrics.ascent(), text);
}

int QtCanvas::textWidth(const QString &text)
{
    return QFontMetrics(m_font, m_painter.device()).horizontalAdvance(text);
}

int QtCanvas::textHeight(const QString &)
{
    return QFontMetrics(m_font, m_painter.device()).height();
}
