#include "RecordingCanvas.h"

#include <cstdlib>

QList<RecordingCanvas::Call> RecordingCanvas::callsOf(const QString &op) const
{
    QList<Call> out;
    for (const Call &c : calls)
        if (c.op == op)
            out.append(c);
    return out;
}

QStringList RecordingCanvas::textsOut() const
{
    QStringList out;
    for (const Call &c : calls)
        if (c.op == QLatin1String("textOut"))
            out.append(c.text);
    return out;
}

RecordingCanvas::Call &RecordingCanvas::record(const QString &op)
{
    Call c;
    c.op = op;
    c.fontColor = m_font.color;
    c.brushColor = m_brush;
    c.penColor = m_pen;
    c.penWidth = m_penWidth;
    c.fontName = m_font.name;
    c.fontHeight = m_font.height;
    calls.append(c);
    return calls.last();
}

void RecordingCanvas::setFontName(const QString &name)
{
    m_font.name = name;
    record(QStringLiteral("setFontName")).text = name;
}

void RecordingCanvas::setFontSize(int points)
{
    m_font.height = PointsToPixelHeight(points, m_fontPpi);
    record(QStringLiteral("setFontSize")).value = points;
}

void RecordingCanvas::setFontHeight(int pixels)
{
    m_font.height = pixels;
    record(QStringLiteral("setFontHeight")).value = pixels;
}

void RecordingCanvas::setFontCharset(int charset)
{
    m_font.charset = charset;
    record(QStringLiteral("setFontCharset")).value = charset;
}

void RecordingCanvas::setFontColor(const QColor &color)
{
    m_font.color = color;
}

void RecordingCanvas::saveFont()
{
    m_savedFont = m_font;
    record(QStringLiteral("saveFont"));
}

void RecordingCanvas::restoreFont()
{
    m_font = m_savedFont;
    record(QStringLiteral("restoreFont"));
}

void RecordingCanvas::setBrushColor(const QColor &color)
{
    m_brush = color;
}

void RecordingCanvas::setPenColor(const QColor &color)
{
    m_pen = color;
}

void RecordingCanvas::setPenWidth(int width)
{
    m_penWidth = width;
    record(QStringLiteral("setPenWidth")).value = width;
}

void RecordingCanvas::setPenModeCopy()
{
    record(QStringLiteral("setPenModeCopy"));
}

void RecordingCanvas::moveTo(int x, int y)
{
    Call &c = record(QStringLiteral("moveTo"));
    c.x = x;
    c.y = y;
}

void RecordingCanvas::lineTo(int x, int y)
{
    Call &c = record(QStringLiteral("lineTo"));
    c.x = x;
    c.y = y;
}

void RecordingCanvas::fillRect(const QRect &rect)
{
    record(QStringLiteral("fillRect")).rect = rect;
}

void RecordingCanvas::textOut(int x, int y, const QString &text)
{
    Call &c = record(QStringLiteral("textOut"));
    c.x = x;
    c.y = y;
    c.text = text;
}

int RecordingCanvas::textWidth(const QString &text)
{
    const int c = std::abs(m_font.height);
    int w = 0;
    for (QChar ch : text)
        w += ch.unicode() < 0x80 ? c / 2 : c;
    return w;
}

int RecordingCanvas::textHeight(const QString &)
{
    return std::abs(m_font.height);
}
