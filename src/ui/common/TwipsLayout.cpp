#include "ui/common/TwipsLayout.h"

#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <QWidgetItem>
#include <cmath>

TwipsLayout::TwipsLayout(QWidget *parent, int designWidth, int designHeight)
    : QLayout(parent), m_width(designWidth), m_height(designHeight)
{
    setContentsMargins(0, 0, 0, 0);
}

TwipsLayout::~TwipsLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void TwipsLayout::add(QWidget *widget, int left, int top, int width, int height)
{
    addChildWidget(widget);
    m_items.push_back({new QWidgetItem(widget), QRect(left, top, width, height)});
    invalidate();
}

void TwipsLayout::setTwips(QWidget *widget, int left, int top, int width, int height)
{
    for (Entry &e : m_items)
        if (e.item->widget() == widget)
            e.twips = QRect(left, top, width, height);
    invalidate();
}

QRect TwipsLayout::twips(QWidget *widget) const
{
    for (const Entry &e : m_items)
        if (e.item->widget() == widget)
            return e.twips;
    return {};
}

QSize TwipsLayout::designSize() const { return {toPixels(m_width), toPixels(m_height)}; }

void TwipsLayout::addItem(QLayoutItem *item) { m_items.push_back({item, QRect()}); }

QLayoutItem *TwipsLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].item : nullptr;
}

QLayoutItem *TwipsLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    QLayoutItem *item = m_items[index].item;
    m_items.removeAt(index);
    return item;
}

QSize TwipsLayout::sizeHint() const { return designSize(); }

QSize TwipsLayout::minimumSize() const { return designSize() / 2; }

void TwipsLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const double sx = rect.width() / (m_width / 15.0);
    const double sy = rect.height() / (m_height / 15.0);
    for (const Entry &e : m_items) {
        const QRect &t = e.twips;
        const int x = int(std::lround(t.left() / 15.0 * sx));
        const int y = int(std::lround(t.top() / 15.0 * sy));
        // Edges are rounded, not sizes, so neighbours stay flush.
        const int r = int(std::lround((t.left() + t.width()) / 15.0 * sx));
        const int b = int(std::lround((t.top() + t.height()) / 15.0 * sy));
        e.item->setGeometry(QRect(rect.left() + x, rect.top() + y, r - x, b - y));
    }
}

double TwipsLayout::fittingScale(const QWidget *window, QSize design, const std::function<bool(double)> &allFit)
{
    double limit = 2.0;
    if (const QScreen *s = window->screen()) {
        const QSize room = s->availableGeometry().size();
        limit = std::max(1.0, std::min({limit, double(room.width()) / design.width(),
                                        double(room.height()) / design.height()}));
    }
    for (double scale = 1.0; scale < limit; scale += 0.05)
        if (allFit(scale))
            return scale;
    return limit;
}

bool TwipsLayout::wrappedFits(const QLabel *label, double scale) const
{
    const QRect t = twips(const_cast<QLabel *>(label));
    return label->heightForWidth(int(std::floor(t.width() / 15.0 * scale))) <= int(std::floor(t.height() / 15.0 * scale));
}

void TwipsLayout::growUntil(QWidget *window, const std::function<bool(double)> &allFit)
{
    const QSize design = designSize();
    const double scale = fittingScale(window, design, allFit);
    window->resize(int(std::lround(design.width() * scale)), int(std::lround(design.height() * scale)));
}
