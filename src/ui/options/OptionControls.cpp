#include "ui/options/OptionControls.h"

#include "engine/settings/MessageService.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

bool isRadio(const QAbstractButton *b) { return qobject_cast<const QRadioButton *>(b) != nullptr; }

QStyleOptionButton optionFor(const QAbstractButton *b, const QRect &rect)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.rect = rect;
    opt.text = b->text();
    opt.state |= b->isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (b->isDown())
        opt.state |= QStyle::State_Sunken;
    return opt;
}

QRect textArea(const QAbstractButton *b, const QStyleOptionButton &opt)
{
    return b->style()->subElementRect(isRadio(b) ? QStyle::SE_RadioButtonContents
                                                 : QStyle::SE_CheckBoxContents,
                                      &opt, b);
}

void paintWrapped(QAbstractButton *b)
{
    QStylePainter p(b);
    const QStyleOptionButton opt = optionFor(b, b->rect());
    const bool radio = isRadio(b);
    QStyleOptionButton indicator = opt;
    indicator.rect = b->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &opt, b);
    p.drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, indicator);

    const QRect area = textArea(b, opt);
    p.drawItemText(area, kTextFlags, opt.palette, b->isEnabled(), b->text(), QPalette::WindowText);
    if (b->hasFocus() && !b->text().isEmpty()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(b);
        focus.rect = b->fontMetrics()
                         .boundingRect(area, kTextFlags, b->text())
                         .adjusted(-2, -1, 2, 1)
                         .intersected(b->rect());
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace

bool captionFits(const QAbstractButton *button, const QString &text, QSize size)
{
    QStyleOptionButton opt = optionFor(button, QRect(QPoint(), size));
    opt.text = text;
    const QRect area = textArea(button, opt);
    // Measured on an unbounded height, so a caption that needs more lines shows.
    const QRect needed = button->fontMetrics().boundingRect(
        QRect(area.left(), 0, area.width(), 1 << 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
        text);
    return needed.width() <= area.width() && needed.height() <= area.height();
}

void WrapCheckBox::paintEvent(QPaintEvent *) { paintWrapped(this); }

void WrapRadioButton::paintEvent(QPaintEvent *) { paintWrapped(this); }

NumberBox::NumberBox(OptionRules::Field field, QWidget *parent) : QLineEdit(parent), m_field(field)
{
    setMaxLength(OptionRules::rule(field).longest);
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        const QString corrected = OptionRules::afterChange(m_field, text);
        if (corrected != text)
            setText(corrected);
    });
}

void NumberBox::keyPressEvent(QKeyEvent *event)
{
    // Shortcuts (paste, undo, select all) and keys without a character (arrows,
    // Delete, Home) are the line edit's; pasted text meets the range check.
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        || event->key() == Qt::Key_Delete) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar c : text) {
        if (!OptionRules::acceptsTypedCharacter(c)) {
            Beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void NumberBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    selectAll();
    // A click places the cursor after the focus arrives; select once it has.
    if (event->reason() == Qt::MouseFocusReason)
        QTimer::singleShot(0, this, [this] {
            if (hasFocus())
                selectAll();
        });
}

void NumberBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The field's own context menu or another window taking over is no leaving:
    // "0" there would spoil a paste into an empty field.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    const QString left = OptionRules::afterLeaving(text());
    if (left != text())
        setText(left);
}

UpDown::UpDown(NumberBox *buddy, QWidget *parent) : QWidget(parent), m_buddy(buddy)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto arrow = [this, layout](Qt::ArrowType type, int delta) {
        auto *b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        b->setIconSize(QSize(6, 6));
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, delta] { step(delta); });
        return b;
    };
    up = arrow(Qt::UpArrow, 1);
    down = arrow(Qt::DownArrow, -1);
}

void UpDown::step(int delta)
{
    m_buddy->setText(OptionRules::stepped(m_buddy->field(), m_buddy->text(), delta));
}
