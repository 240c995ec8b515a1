#pragma once

#include <QString>

// Message box styles: one icon plus one button set; answers as returned.
namespace Msg {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// The second button (No, Cancel) answers Enter: for questions whose first
// answer cannot be taken back.
constexpr int DefaultSecond = 256;

constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;

constexpr int buttons(int style) { return style & 0x0F; }
constexpr int icon(int style) { return style & 0x70; }
constexpr bool secondIsDefault(int style) { return (style & DefaultSecond) != 0; }
} // namespace Msg

// Shows modal messages. The windows install a Qt implementation; tests install
// a scripted one, so nothing ever waits on a real box.
class MessageService {
public:
    virtual ~MessageService() = default;
    // Returns the answer: Msg::Ok, Cancel, Yes or No.
    virtual int show(const QString &prompt, const QString &title, int style) = 0;
    virtual void beep() {}
};

// The installed service; returns the previous one. Not owned.
MessageService *setMessageService(MessageService *service);
MessageService *messageService();

// Shows a message through the installed service. Without one, the message goes
// to standard error and the answer is the safe one (OK, Cancel or No).
int MsgBox(const QString &prompt, int style, const QString &title);
void Beep();
