#pragma once

#include "engine/options/OptionRules.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

class QToolButton;

// Whether a caption fits a check box or option button of the given size when
// wrapped onto as many lines as the height allows.
bool captionFits(const QAbstractButton *button, const QString &text, QSize size);

// A check box whose caption wraps instead of being cut off; the indicator stays
// centred beside the lines, and the whole box answers a click.
class WrapCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// The same for an option button.
class WrapRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// A text field for one of the numeric options: digits only, at most the
// field's length, corrected at once when out of range, "0" when left empty,
// all selected on entry.
class NumberBox : public QLineEdit {
    Q_OBJECT
public:
    NumberBox(OptionRules::Field field, QWidget *parent = nullptr);
    OptionRules::Field field() const { return m_field; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    OptionRules::Field m_field;
};

// The up-down control bound to a NumberBox: steps its value by one within
// 0 and the field's maximum.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(NumberBox *buddy, QWidget *parent = nullptr);
    void step(int delta);

    QToolButton *up = nullptr;
    QToolButton *down = nullptr;

private:
    NumberBox *m_buddy;
};
