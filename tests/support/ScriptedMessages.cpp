#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages() : m_previous(setMessageService(this)) {}

ScriptedMessages::~ScriptedMessages() { setMessageService(m_previous); }

int ScriptedMessages::show(const QString &prompt, const QString &title, int style)
{
    std::size_t number;
    {
        const std::lock_guard lock(m_mutex);
        number = shown.size();
        shown.push_back({prompt, title, style});
    }
    if (whileShown)
        whileShown(number);
    const std::lock_guard lock(m_mutex);
    if (!answers.empty()) {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (Msg::buttons(style)) {
    case Msg::OkCancel: ++unexpected; return Msg::Cancel;
    case Msg::YesNo: ++unexpected; return Msg::No;
    default: return Msg::Ok;
    }
}
