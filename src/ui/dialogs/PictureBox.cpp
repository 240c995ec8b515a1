#include "ui/dialogs/PictureBox.h"

#include "ui/common/TwipsLayout.h"

#include <QLabel>
#include <QPainter>

PictureBox::PictureBox(Picture picture, QWidget *parent)
    : QWidget(parent), m_picture(std::move(picture))
{
}

void PictureBox::paintEvent(QPaintEvent *)
{
    const int side = qMin(width(), height());
    if (side <= 0)
        return;
    const qreal ratio = devicePixelRatioF();
    const int pixels = qRound(side * ratio);
    if (m_cacheSize != pixels) {
        m_cache = m_picture(pixels);
        m_cacheSize = pixels;
        m_cache.setDevicePixelRatio(ratio);
    }
    // A source with no picture that large gives a smaller one: centre it.
    const QSizeF shown = m_cache.deviceIndependentSize();
    QPainter p(this);
    p.drawPixmap(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), m_cache);
}

int wrappedHeightTwips(const QLabel *label, int widthTwips, int designHeight)
{
    const int needed = label->heightForWidth(TwipsLayout::toPixels(widthTwips)) * 15;
    return qMax(needed, designHeight);
}
