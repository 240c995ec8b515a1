#pragma once

#include "sync/RunHost.h"

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
    void reminder(int number) override { reminders.push_back(number); }
    QString chooseTargetFolder() override
    {
        ++targetRequests;
        return chooseTarget ? chooseTarget() : QString();
    }
    void beep() override { ++beeps; }
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
    std::vector<int> reminders;
    int targetRequests = 0;
    int beeps = 0;
    int checkpoints = 0;
    std::function<QString()> chooseTarget;
    // Called at each checkpoint with its number; true stops the run.
    std::function<bool(int)> onCheckpoint;
};
