#include "Icons.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace {

const QColor kInk(0x7a, 0x1f, 0x1f);

QByteArray ReadResource(const char *path)
{
    InitIconResources();
    QFile f(QString::fromLatin1(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Folder(QPainter &p, const QColor &fill)
{
    p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1.5));
    p.setBrush(fill.darker(115));
    p.drawRect(QRectF(3, 8, 10, 5));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(3, 11, 26, 17), 2, 2);
}

void Person(QPainter &p, const QColor &fill, qreal dx = 0)
{
    p.setPen(QPen(fill.darker(160), 1.5));
    p.setBrush(fill);
    p.drawEllipse(QRectF(10 + dx, 4, 11, 11));
    QPainterPath body;
    body.moveTo(5 + dx, 29);
    body.cubicTo(5 + dx, 18, 26 + dx, 18, 26 + dx, 29);
    body.closeSubpath();
    p.drawPath(body);
}

void Star(QPainter &p, QPointF c, qreal r, const QColor &fill)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const qreal rr = i % 2 ? r * 0.45 : r;
        star << QPointF(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
    }
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(fill);
    p.drawPolygon(star);
}

void Draw(QPainter &p, KeloIcon which)
{
    switch (which) {
    case KeloIcon::Program:
        p.setPen(QPen(kInk, 2));
        p.setBrush(QColor(0xfd, 0xf6, 0xe3));
        p.drawRoundedRect(QRectF(2, 2, 28, 28), 3, 3);
        p.setBrush(kInk);
        p.drawRect(QRectF(9, 9, 14, 14));
        Star(p, QPointF(16, 16.5), 6, QColor(0xf5, 0xc5, 0x42));
        break;
    case KeloIcon::Root:
        Folder(p, QColor(0xf0, 0x90, 0x60));
        Star(p, QPointF(16, 20), 6, QColor(0xff, 0xe0, 0x40));
        break;
    case KeloIcon::Group:
        Folder(p, QColor(0xf5, 0xd0, 0x60));
        break;
    case KeloIcon::Member:
        Person(p, QColor(0x5b, 0x8d, 0xd6));
        break;
    case KeloIcon::NewMember:
        Person(p, QColor(0x5b, 0x8d, 0xd6), -3);
        p.setPen(QPen(QColor(0x20, 0x90, 0x30), 3.5));
        p.drawLine(QPointF(24, 16), QPointF(24, 28));
        p.drawLine(QPointF(18, 22), QPointF(30, 22));
        break;
    case KeloIcon::Save:
        p.setPen(QPen(QColor(0x20, 0x40, 0x80), 1.5));
        p.setBrush(QColor(0x40, 0x70, 0xc0));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(0xe0, 0xe0, 0xe0));
        p.drawRect(QRectF(8, 18, 16, 10));
        break;
    case KeloIcon::Delete:
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case KeloIcon::Picture: {
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5));
        p.setBrush(QColor(0xd8, 0xee, 0xff));
        p.drawRect(QRectF(3, 6, 26, 20));
        p.setBrush(QColor(0x40, 0xa0, 0x40));
        QPolygonF hill{QPointF(4, 25), QPointF(13, 13), QPointF(19, 20), QPointF(23, 16), QPointF(28, 25)};
        p.setPen(Qt::NoPen);
        p.drawPolygon(hill);
        p.setBrush(QColor(0xff, 0xc0, 0x20));
        p.drawEllipse(QRectF(20, 8, 6, 6));
        break;
    }
    case KeloIcon::Print:
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(0x90, 0x90, 0x90));
        p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 19, 14, 10));
        break;
    case KeloIcon::Web:
        p.setPen(QPen(QColor(0x20, 0x60, 0xa0), 1.8));
        p.setBrush(QColor(0xc8, 0xe4, 0xff));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        p.drawLine(QPointF(16, 3), QPointF(16, 29));
        p.drawLine(QPointF(6, 9), QPointF(26, 9));
        p.drawLine(QPointF(6, 23), QPointF(26, 23));
        break;
    }
}

} // namespace

QIcon MakeIcon(KeloIcon which)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        Draw(p, which);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QByteArray ProgramIconSvg() { return ReadResource(":/icons/kelo.svg"); }
QByteArray DocumentIconSvg() { return ReadResource(":/icons/kelo-document.svg"); }
