#pragma once

#include "engine/settings/MessageService.h"

#include <QString>
#include <mutex>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Records every message and answers from a script. A question with no scripted
// answer gets the safe answer (Cancel or No) and is counted as unexpected.
class ScriptedMessages : public MessageService {
public:
    struct Shown { QString prompt, title; int style; };

    ScriptedMessages();
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages &) = delete;
    ScriptedMessages &operator=(const ScriptedMessages &) = delete;

    int show(const QString &prompt, const QString &title, int style) override;
    void beep() override { ++beeps; }

    void answer(int a) { answers.push_back(a); }
    // The i-th message as "title | style | prompt", to check it in one line.
    std::string text(std::size_t i) const
    {
        if (i >= shown.size())
            return "<none>";
        return (shown[i].title + " | " + QString::number(shown[i].style) + " | " + shown[i].prompt).toStdString();
    }

    std::vector<Shown> shown;
    std::deque<int> answers;
    // Runs while a message is open (its number given), before it is answered.
    std::function<void(std::size_t)> whileShown;
    int unexpected = 0;
    int beeps = 0;

private:
    MessageService *m_previous;
    std::mutex m_mutex; // a run may ask from its worker thread
};
