#include "ui/common/Icons.h"

#include "engine/settings/AppState.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <functional>

namespace Icons {

namespace {
constexpr int kSize = 64;

QIcon drawn(const std::function<void(QPainter &)> &paint)
{
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return QIcon(pm);
}

void folder(QPainter &p, const QRectF &r, const QColor &fill)
{
    QPainterPath path;
    const double tab = r.width() * 0.4, lip = r.height() * 0.18;
    path.moveTo(r.left(), r.top() + lip);
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.right(), r.top() + lip);
    path.lineTo(r.left() + tab + lip, r.top() + lip);
    path.lineTo(r.left() + tab, r.top());
    path.lineTo(r.left(), r.top());
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 70, 30), 2));
    p.setBrush(fill);
    p.drawPath(path);
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &c, double width = 6)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF a = line;
    a.setLength(width * 2.2);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(width * 2.2);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

const QColor kOrange = colorOf(LeftSideColor).darker(125);
const QColor kCyan = colorOf(RightSideColor).darker(125);
const QColor kFolder(250, 210, 110);
const QColor kGreen(40, 140, 60);
const QColor kBlue(30, 90, 180);
} // namespace

QIcon greekFlag()
{
    return drawn([](QPainter &p) {
        const QColor blue(13, 94, 175);
        const QRectF f(2, 12, 60, 40);
        const double h = f.height() / 9;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 9; ++i) {
            p.setBrush(i % 2 ? Qt::white : blue);
            p.drawRect(QRectF(f.left(), f.top() + i * h, f.width(), h + 0.5));
        }
        p.setBrush(blue);
        p.drawRect(QRectF(f.left(), f.top(), 5 * h, 5 * h));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(f.left() + 2 * h, f.top(), h, 5 * h));
        p.drawRect(QRectF(f.left(), f.top() + 2 * h, 5 * h, h));
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(f);
    });
}

QIcon englishFlag()
{
    return drawn([](QPainter &p) {
        const QRectF f(2, 12, 60, 40);
        p.setClipRect(f);
        p.fillRect(f, QColor(1, 33, 105));
        p.setPen(QPen(Qt::white, 9));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.bottomLeft(), f.topRight());
        p.setPen(QPen(QColor(200, 16, 46), 3));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.bottomLeft(), f.topRight());
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(f.center().x() - 7, f.top(), 14, f.height()));
        p.drawRect(QRectF(f.left(), f.center().y() - 7, f.width(), 14));
        p.setBrush(QColor(200, 16, 46));
        p.drawRect(QRectF(f.center().x() - 4, f.top(), 8, f.height()));
        p.drawRect(QRectF(f.left(), f.center().y() - 4, f.width(), 8));
        p.setClipping(false);
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(f);
    });
}

QIcon savePath()
{
    return drawn([](QPainter &p) {
        folder(p, QRectF(6, 18, 42, 36), kFolder);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(46, 20), 14, 14);
        p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(46, 12), QPointF(46, 28));
        p.drawLine(QPointF(38, 20), QPointF(54, 20));
    });
}

QIcon recallPath()
{
    return drawn([](QPainter &p) {
        folder(p, QRectF(6, 18, 42, 36), kFolder);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(46, 20), 14, 14);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(46, 20), 8, 8);
        p.drawLine(QPointF(46, 20), QPointF(46, 14));
        p.drawLine(QPointF(46, 20), QPointF(51, 22));
    });
}

QIcon refresh()
{
    return drawn([](QPainter &p) {
        p.setPen(QPen(kGreen, 7, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(12, 12, 40, 40), 100 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({QPointF(26, 2), QPointF(40, 12), QPointF(26, 22)}));
    });
}

QIcon upOneLevel()
{
    return drawn([](QPainter &p) {
        folder(p, QRectF(4, 22, 46, 36), kFolder);
        arrow(p, QPointF(44, 46), QPointF(44, 8), kBlue, 6);
    });
}

QIcon help()
{
    return drawn([](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(6, 6, 52, 52));
        QFont f = p.font();
        f.setPixelSize(40);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(6, 6, 52, 52), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon options()
{
    return drawn([](QPainter &p) {
        p.setPen(Qt::NoPen);
        const QColor knob(90, 90, 90);
        for (int i = 0; i < 3; ++i) {
            const double y = 14 + i * 18;
            p.setBrush(QColor(170, 170, 170));
            p.drawRoundedRect(QRectF(6, y - 3, 52, 6), 3, 3);
            p.setBrush(i == 1 ? kBlue : knob);
            p.drawEllipse(QPointF(i == 0 ? 20 : i == 1 ? 42 : 28, y), 7, 7);
        }
    });
}

QIcon synchronize()
{
    return drawn([](QPainter &p) {
        folder(p, QRectF(2, 30, 26, 24), colorOf(LeftSideColor));
        folder(p, QRectF(36, 30, 26, 24), colorOf(RightSideColor));
        arrow(p, QPointF(12, 22), QPointF(52, 22), kOrange, 5);
        arrow(p, QPointF(52, 10), QPointF(12, 10), kCyan, 5);
    });
}

QIcon exit()
{
    return drawn([](QPainter &p) {
        p.setPen(QPen(QColor(120, 80, 40), 3));
        p.setBrush(QColor(190, 140, 90));
        p.drawRect(QRectF(8, 6, 30, 52));
        arrow(p, QPointF(30, 32), QPointF(60, 32), QColor(200, 30, 30), 6);
    });
}

QPixmap copyrightPicture(int size)
{
    // The program's own icon: a drawing of its own would pass for the Synchronize button beside it.
    return application().pixmap(QSize(size, size));
}

QIcon application()
{
    return QIcon::fromTheme(QStringLiteral("orvanel"), QIcon(QStringLiteral(":/orvanel/orvanel.png")));
}

} // namespace Icons
