#include "engine/settings/MessageService.h"

#include <QTextStream>
#include <atomic>

namespace {
std::atomic<MessageService *> g_service{nullptr};
}

MessageService *setMessageService(MessageService *service) { return g_service.exchange(service); }

MessageService *messageService() { return g_service.load(); }

int MsgBox(const QString &prompt, int style, const QString &title)
{
    if (MessageService *s = g_service.load())
        return s->show(prompt, title, style);
    QTextStream(stderr) << title << ": " << QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                        << Qt::endl;
    switch (Msg::buttons(style)) {
    case Msg::OkCancel: return Msg::Cancel;
    case Msg::YesNo: return Msg::No;
    default: return Msg::Ok;
    }
}

void Beep()
{
    if (MessageService *s = g_service.load())
        s->beep();
}
