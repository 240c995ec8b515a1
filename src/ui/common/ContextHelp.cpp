#include "ui/common/ContextHelp.h"

#include "engine/settings/AppState.h"
#include "engine/settings/HelpFile.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTextDocument>
#include <QVariant>
#include <QAction>
#include <QWhatsThis>
#include <QWidget>

namespace ContextHelp {
namespace {

constexpr const char *TopicProperty = "orvanelHelpTopic";
constexpr const char *RightClickProperty = "orvanelHelpRightClick";

struct Owner {
    QWidget *widget = nullptr;
    int topic = 0;
    RightClick rightClick = RightClick::ShowsHelp;
};

// The nearest widget with a topic, never beyond the window: a dialog must not
// answer with its parent window's help.
Owner ownerOf(QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        const QVariant t = w->property(TopicProperty);
        if (t.isValid())
            return {w, t.toInt(), RightClick(w->property(RightClickProperty).toInt())};
        if (w->isWindow())
            break;
    }
    return {};
}

// A release or context menu that an ignoring child passed on to its parent
// arrives at the parent with the same position; deciding by the widget under
// that position keeps the child's decision instead of the parent's topic.
Owner ownerAt(QWidget *receiver, const QPoint &pos)
{
    QWidget *under = receiver->childAt(pos);
    return ownerOf(under ? under : receiver);
}

bool answersRightClick(const Owner &o)
{
    return o.widget && o.topic > 0 && o.rightClick == RightClick::ShowsHelp;
}

Display &display()
{
    static Display d;
    return d;
}

void show(QWidget *control, int topic, const QPoint &globalPos)
{
    if (topic <= 0)
        return;
    const QString text = helpTopicText(App().HelpFilePath, topic);
    if (text.isEmpty())
        return;
    if (display()) {
        display()(control, topic, text, globalPos);
        return;
    }
    // The file's text is plain: "<" in it must not turn it into markup.
    QWhatsThis::showText(globalPos, Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal), control);
}

class HelpFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
        case QEvent::ContextMenu:
        case QEvent::WhatsThis:
        case QEvent::QueryWhatsThis:
            break;
        default:
            return false;
        }
        if (!watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);

        switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::LeftButton || me->button() == Qt::NoButton)
                return false;
            const Owner o = ownerAt(w, me->position().toPoint());
            if (!answersRightClick(o))
                return false;
            show(o.widget, o.topic, me->globalPosition().toPoint());
            return true;
        }
        case QEvent::ContextMenu: {
            // Here the menu comes with the press; it would take the release away.
            auto *ce = static_cast<QContextMenuEvent *>(event);
            return ce->reason() == QContextMenuEvent::Mouse && answersRightClick(ownerAt(w, ce->pos()));
        }
        case QEvent::WhatsThis: {
            const QVariant t = w->property(TopicProperty);
            if (!t.isValid())
                return false; // Qt passes it on to the parent
            // The mode ends with the click even when there is nothing to show,
            // and also when a replaced display does not end it.
            if (QWhatsThis::inWhatsThisMode())
                QWhatsThis::leaveWhatsThisMode();
            show(w, t.toInt(), static_cast<QHelpEvent *>(event)->globalPos());
            event->accept();
            return true;
        }
        case QEvent::QueryWhatsThis: {
            const int t = w->property(TopicProperty).toInt();
            if (t <= 0 || helpTopicText(App().HelpFilePath, t).isEmpty())
                return false;
            event->accept();
            return true;
        }
        default:
            return false;
        }
    }
};

QPointer<HelpFilter> &installed()
{
    static QPointer<HelpFilter> f;
    return f;
}

} // namespace

void install(QApplication *app)
{
    if (!app || (installed() && installed()->parent() == app))
        return;
    installed() = new HelpFilter(app);
    app->installEventFilter(installed());
}

void offerHelpKey(QWidget *window)
{
    if (!window)
        return;
    QAction *mode = QWhatsThis::createAction(window);
    mode->setShortcutContext(Qt::WindowShortcut);
    window->addAction(mode);
}

void setTopic(QWidget *control, int topic, RightClick rightClick)
{
    if (!control)
        return;
    control->setProperty(TopicProperty, qMax(topic, 0));
    control->setProperty(RightClickProperty, int(rightClick));
    install(qobject_cast<QApplication *>(QCoreApplication::instance()));
}

int topic(const QWidget *control)
{
    return control ? qMax(control->property(TopicProperty).toInt(), 0) : 0;
}

void showFor(QWidget *control)
{
    if (!control)
        return;
    const Owner o = ownerOf(control);
    if (o.widget)
        show(o.widget, o.topic, control->mapToGlobal(control->rect().center()));
}

Display setDisplay(Display d)
{
    Display previous = std::move(display());
    display() = std::move(d);
    return previous;
}

} // namespace ContextHelp
