#pragma once
// A canvas that draws nothing and writes down every call with the state it
// was made in, for tests of the chart geometry. Text metrics are simple and
// exact: a character outside ASCII is C pixels wide, an ASCII one C / 2,
// where C is the absolute font height; a text is C pixels high.

#include "Canvas.h"

#include <QList>
#include <QStringList>

class RecordingCanvas : public Canvas {
public:
    struct Call {
        QString op;        // setFontName, textOut, moveTo, lineTo, fillRect, ...
        int x = 0, y = 0;  // point of textOut, moveTo, lineTo
        QRect rect;        // fillRect
        QString text;      // textOut, textWidth, textHeight, setFontName
        int value = 0;     // setFontSize, setFontHeight, setPenWidth, setFontCharset
        // State at the time of the call.
        QColor fontColor, brushColor, penColor;
        int penWidth = 1;
        QString fontName;
        int fontHeight = 0;
    };

    explicit RecordingCanvas(int fontPpi = 96, int screenPpi = 96, QRect clip = QRect(0, 0, 723, 515))
        : m_fontPpi(fontPpi), m_screenPpi(screenPpi), m_clip(clip) {}

    QList<Call> calls;
    // Only the calls of one operation, in order.
    QList<Call> callsOf(const QString &op) const;
    // The texts drawn, in order.
    QStringList textsOut() const;
    void clear() { calls.clear(); }

    void setFontName(const QString &name) override;
    void setFontSize(int points) override;
    void setFontHeight(int pixels) override;
    void setFontCharset(int charset) override;
    void setFontColor(const QColor &color) override;
    QString fontName() const override { return m_font.name; }
    int fontHeight() const override { return m_font.height; }
    int fontPixelsPerInch() const override { return m_fontPpi; }
    void saveFont() override;
    void restoreFont() override;
    void setBrushColor(const QColor &color) override;
    void setPenColor(const QColor &color) override;
    void setPenWidth(int width) override;
    void setPenModeCopy() override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    QRect clipRect() const override { return m_clip; }
    void fillRect(const QRect &rect) override;
    void textOut(int x, int y, const QString &text) override;
    int textWidth(const QString &text) override;
    int textHeight(const QString &text) override;
    int screenPixelsPerInch() const override { return m_screenPpi; }

private:
    struct Font {
        QString name;
        int height = -13;
        int charset = 1;
        QColor color = Qt::black;
    };
    Call &record(const QString &op);

    int m_fontPpi, m_screenPpi;
    QRect m_clip;
    Font m_font, m_savedFont;
    QColor m_brush = Qt::white, m_pen = Qt::black;
    int m_penWidth = 1;
};
