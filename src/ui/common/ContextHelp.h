#pragma once

#include <QPoint>
#include <QString>
#include <functional>

class QApplication;
class QWidget;

// Context help for every window: releasing any mouse button but the left one
// over a control with a topic shows the topic's text from the current
// language's help file (App().HelpFilePath); so does the "?" of the title bar
// followed by a click on the control. A child without a topic of its own (a
// tree's viewport, a label in a frame) answers with its nearest ancestor's,
// within its window. No help file or no such topic: nothing is shown.
namespace ContextHelp {

// What the right button does over a control that has a topic.
enum class RightClick {
    ShowsHelp,    // the help; the control's mouse context menu is suppressed
    KeepsOwnMenu, // the control's own context menu; help only through "?"
};

// Installs the application-wide filter; calling it again does nothing.
// setTopic installs it too, so forgetting this call loses nothing.
void install(QApplication *app);

// Gives the control its help topic. Topic 0 means "no help here": the control
// then does not fall back to an ancestor's topic either.
void setTopic(QWidget *control, int topic, RightClick rightClick = RightClick::ShowsHelp);
// The control's own topic; 0 when it has none.
int topic(const QWidget *control);

// Shift+F1 in the window starts the "?" mode from the keyboard: the one way to
// the help of a control that keeps its own right-click menu where the window
// manager draws no "?" in the title bar.
void offerHelpKey(QWidget *window);

// Shows the help of the control (or of its nearest ancestor with a topic) at
// the control's position; for menu items such as "Help" of a button's menu.
void showFor(QWidget *control);

// Where help goes. The default shows a What's This popup; tests replace it to
// see what would be shown. Called only with a non-empty text. Returns the
// previous one; an empty function restores the default.
using Display = std::function<void(QWidget *control, int topic, const QString &text,
                                   const QPoint &globalPos)>;
Display setDisplay(Display display);

} // namespace ContextHelp
