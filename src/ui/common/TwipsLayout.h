#pragma once

#include <QLayout>
#include <QRect>
#include <QVector>
#include <functional>

class QLabel;

// Places widgets at their design positions, given in twips (15 per pixel), and
// scales them proportionally when the window is resized.
class TwipsLayout : public QLayout {
public:
    // designWidth/designHeight: the client area at design size, in twips.
    TwipsLayout(QWidget *parent, int designWidth, int designHeight);
    ~TwipsLayout() override;

    void add(QWidget *widget, int left, int top, int width, int height);
    // Changes a widget's design rectangle (twips).
    void setTwips(QWidget *widget, int left, int top, int width, int height);
    QRect twips(QWidget *widget) const;
    QSize designSize() const; // pixels

    static int toPixels(int twips) { return (twips + 7) / 15; }
    // The smallest enlargement, in steps of 5%, at which allFit(scale) holds:
    // the desktop font may be wider than the design's. Capped at 2 and at the
    // screen, which would otherwise hide more than the enlargement shows.
    static double fittingScale(const QWidget *window, QSize designSize,
                               const std::function<bool(double)> &allFit);
    // Whether a word-wrapped label shows its whole text in its rectangle at scale.
    bool wrappedFits(const QLabel *label, double scale) const;
    // Resizes the window to the design size, enlarged until every label fits
    // (texts may be set meanwhile by the caller's check).
    void growUntil(QWidget *window, const std::function<bool(double)> &allFit);

    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Entry {
        QLayoutItem *item;
        QRect twips;
    };
    QVector<Entry> m_items;
    int m_width;
    int m_height;
};
