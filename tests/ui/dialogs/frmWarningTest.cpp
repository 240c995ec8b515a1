#include "ui/dialogs/frmWarning.h"
#include "WindowTesting.h"

#include <QCheckBox>
#include <QSet>
#include <atomic>
#include <future>

namespace {

void tickAndOk(frmWarning &w)
{
    QTest::mouseClick(w.chkWarning, Qt::LeftButton);
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
}
void justOk(frmWarning &w) { QTest::mouseClick(w.cmdOK, Qt::LeftButton); }

class Reminder : public WindowTest {
protected:
    QString ini = dir.filePath("Orvanel.ini");

    void SetUp() override { App().SettingsFilePath = ini; }

    // ShowReminder for the number, acting on its window; returns how many opened.
    int show(int number, const std::function<void(frmWarning &)> &act = justOk)
    {
        App().CurrentReminder = number;
        return whileModal<frmWarning>(ShowReminder, act);
    }
};

TEST_F(Reminder, TickedAndConfirmedEachSwitchesOffItsOwnStoredKey)
{
    const char *keys[] = {"Options", "Target", "Manual", "Common", "Swapping"};
    QSet<QString> texts;
    for (int number = 1; number <= 5; ++number) {
        SCOPED_TRACE(number);
        writeBytes(ini, QByteArray("[Warnings]\r\n") + keys[number - 1] + "=1\r\n");
        App().ReminderSwitches = Reminders();
        EXPECT_EQ(show(number, [&](frmWarning &w) { texts << w.lblWarning->text(); tickAndOk(w); }), 1);
        EXPECT_EQ(readBytes(ini), QByteArray("[Warnings]\r\n") + keys[number - 1] + "=0\r\n");
        Reminders expected;
        expected[number] = false;
        EXPECT_EQ(App().ReminderSwitches, expected);
        EXPECT_EQ(show(number), 0);
    }
    EXPECT_EQ(texts.size(), 5) << "each reminder says its own";
    EXPECT_EQ(box.beeps, 5);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(Reminder, WithoutTheBoxItComesAgainAndOtherNumbersShowNothing)
{
    EXPECT_EQ(show(4), 1);
    EXPECT_EQ(show(4), 1);
    EXPECT_EQ(box.beeps, 2);
    EXPECT_FALSE(QFile::exists(ini));
    for (int number : {0, 6, -1})
        EXPECT_EQ(show(number, tickAndOk), 0) << number;
    EXPECT_EQ(box.beeps, 2);
}

TEST_F(Reminder, AWorkerThreadWaitsForTheWindowOnTheInterfaceThread)
{
    App().CurrentReminder = 3;
    std::atomic<bool> finished = false;
    const auto fromWorker = [&] {
        const auto worker = std::async(std::launch::async, [&] {
            ShowReminder();
            finished = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 10000));
    };
    const auto act = [&](frmWarning &w) {
        EXPECT_FALSE(finished) << "the worker went on while the reminder was open";
        tickAndOk(w);
    };
    EXPECT_EQ(whileModal<frmWarning>(fromWorker, act), 1);
    EXPECT_EQ(readBytes(ini), "[Warnings]\nManual=0\n");
}

} // namespace
