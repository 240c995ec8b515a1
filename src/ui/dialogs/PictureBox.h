#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

class QLabel;

// A picture drawn afresh at the size of its box, so it stays sharp when the
// window is scaled; square, centred in the box.
class PictureBox : public QWidget {
public:
    using Picture = std::function<QPixmap(int size)>;
    PictureBox(Picture picture, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture;
    QPixmap m_cache;
    int m_cacheSize = 0;
};

// The height in twips a word-wrapped label needs at the given width (twips) in
// its own font; never less than designHeight.
int wrappedHeightTwips(const QLabel *label, int widthTwips, int designHeight);
