#pragma once

#include "engine/run/RunHost.h"

#include <QStringList>
#include <functional>
#include <map>
#include <vector>

// A scripted host: records what a run shows and answers what it asks.
class FakeHost : public RunHost {
public:
    void setState(RunState s) override { states.push_back(s); }
    void stepTitle(const QString &t) override { titles << t; }
    void showPath(int side, const QString &p) override { lastPath[side] = p; ++pathUpdates; }
    void showProgressBar(bool v) override { barVisible = v; }
    void progress(int percent) override { progressValues.push_back(percent); }
    void stepCounters(int step, int side, const SideCounters &c) override { counters[{step, side}] = c; }
    void summary(const QString &t) override { summaryText = t; }
    void notice(const QString &t) override { notices << t; }
    void reminder(Reminder which) override { reminders.push_back(int(which)); }
    QString chooseTargetFolder() override
    {
        ++targetRequests;
        return chooseTarget ? chooseTarget() : QString();
    }
    void beep() override { ++beeps; }
    void manualSelection(ManualSelectionSide sides[2]) override
    {
        ++manualSelections;
        for (int s = 0; s < 2; ++s) {
            offered[s] = sides[s].entries;
            sides[s].selected.assign(sides[s].entries.size(), true);
        }
        if (chooseManually)
            chooseManually(sides);
    }
    FileAnswer fileChoice(const FileChoiceFile &upper, const FileChoiceFile &lower, FilesRule &remaining) override
    {
        questions.push_back({upper, lower, int(remaining)});
        if (fileAnswers.empty())
            return FileAnswer::Neither;
        auto [answer, rule] = fileAnswers.front();
        fileAnswers.erase(fileAnswers.begin());
        remaining = FilesRule(rule);
        return FileAnswer(answer);
    }
    bool checkpoint() override
    {
        ++checkpoints;
        return onCheckpoint ? onCheckpoint(checkpoints) : false;
    }

    std::vector<RunState> states;
    QStringList titles;
    QString lastPath[2];
    int pathUpdates = 0;
    bool barVisible = false;
    std::vector<int> progressValues;
    std::map<std::pair<int, int>, SideCounters> counters;
    QString summaryText;
    QStringList notices;
    std::vector<int> reminders;
    int targetRequests = 0;
    int beeps = 0;
    int checkpoints = 0;
    std::function<QString()> chooseTarget;
    // Manual selection: everything is selected unless this changes it.
    std::function<void(ManualSelectionSide *)> chooseManually;
    int manualSelections = 0;
    std::vector<QString> offered[2];
    // File choice: answers as (choice, rule left selected), in order.
    struct Question {
        FileChoiceFile upper, lower;
        int ruleInForce;
    };
    std::vector<Question> questions;
    std::vector<std::pair<int, int>> fileAnswers;
    // Called at each checkpoint with its number; true stops the run.
    std::function<bool(int)> onCheckpoint;
};
