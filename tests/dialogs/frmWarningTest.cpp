#include "core/AppState.h"
#include "core/Language.h"
#include "core/Settings.h"
#include "dialogs/frmWarning.h"
#include "ScriptedMessages.h"
#include "TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

void tickAndOk(frmWarning &w)
{
    QTest::mouseClick(w.chkWarning, Qt::LeftButton);
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
}
void justOk(frmWarning &w) { QTest::mouseClick(w.cmdOK, Qt::LeftButton); }

class Reminder : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("Orvanel.ini");
    ScriptedMessages box;

    void SetUp() override
    {
        resetAppState();
        Language::applyState(Language::English);
        App().SettingsFilePath = ini;
    }
    void TearDown() override { resetAppState(); }

    // ShowReminder for the number, acting on its window while it is open;
    // returns how many windows opened.
    int show(int number, const std::function<void(frmWarning &)> &act = justOk)
    {
        App().CurrentReminder = number;
        int opened = 0;
        QTimer driver; // dies with this call, so it never fires into another test
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (auto *w = qobject_cast<frmWarning *>(QApplication::activeModalWidget())) {
                ++opened;
                act(*w);
            }
        });
        driver.start(0);
        ShowReminder();
        return opened;
    }
};

TEST_F(Reminder, TickedAndConfirmedItIsOffNowAndAfterARestart)
{
    EXPECT_EQ(show(5, tickAndOk), 1);
    EXPECT_EQ(box.beeps, 1);
    EXPECT_EQ(readBytes(ini), "[Warnings]\nSwapping=0\n");
    Reminders expected;
    expected.Swapping = false;
    EXPECT_EQ(App().ReminderSwitches, expected);
    EXPECT_EQ(show(5), 0);

    resetAppState();
    App().SettingsFilePath = ini;
    Settings::readReminderSwitches();
    EXPECT_EQ(App().ReminderSwitches, expected);
    EXPECT_EQ(show(5), 0);
    EXPECT_EQ(box.beeps, 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(Reminder, WithoutTheBoxItComesAgainAndOtherNumbersShowNothing)
{
    EXPECT_EQ(show(4), 1);
    EXPECT_EQ(show(4), 1);
    EXPECT_EQ(box.beeps, 2);
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_EQ(App().ReminderSwitches, Reminders());

    for (int number : {0, 6, -1})
        EXPECT_EQ(show(number, tickAndOk), 0) << number;
    App().ReminderSwitches.Manual = false;
    EXPECT_EQ(show(3), 0);
    EXPECT_EQ(box.beeps, 2);
}

TEST_F(Reminder, EachNumberSwitchesOffItsOwnKeyReplacingTheStoredValue)
{
    const char *keys[] = {"Options", "Target", "Manual", "Common", "Swapping"};
    for (int number = 1; number <= 5; ++number) {
        writeBytes(ini, QByteArray("[Warnings]\r\n") + keys[number - 1] + "=1\r\n");
        App().ReminderSwitches = Reminders();
        App().CurrentReminder = number;
        frmWarning w;
        w.chkWarning->setChecked(true);
        w.cmdOK_Click();
        EXPECT_EQ(readBytes(ini), QByteArray("[Warnings]\r\n") + keys[number - 1] + "=0\r\n");
        Reminders expected;
        expected[number] = false;
        EXPECT_EQ(App().ReminderSwitches, expected) << number;
    }
}

TEST_F(Reminder, TextsOfBothLanguagesAreWholeInTheirLabel)
{
    const char *caution[2] = {
        "CAUTION: You have selected to synchronize the items by swapping them between the source "
        "folders. If, for any reason, the synchronization process FAILS, the source folders will "
        "remain as they were the moment at which the synchronization process failed to complete.",
        "ΠΡΟΣΟΧΗ: Επιλέξατε τον συγχρονισμό τών στοιχείων μέσω ανταλλαγής τους στους πηγαίους "
        "φακέλλους. Εάν, για οποιονδήποτε λόγο, ο συγχρονισμός ΔΕΝ ολοκληρωθεί, οι πηγαίοι "
        "φάκελλοι θα παραμείνουν όπως διαμορφώθηκαν μέχρι την στιγμή τής διακοπής τού "
        "συγχρονισμού."};
    QStringList seen;
    for (bool greek : {false, true}) {
        Language::applyState(greek ? Language::Greek : Language::English);
        for (int number = 1; number <= 5; ++number) {
            SCOPED_TRACE(testing::Message() << "reminder " << number << (greek ? " el" : " en"));
            App().CurrentReminder = number;
            frmWarning w;
            w.show();
            seen << w.lblWarning->text();
            EXPECT_EQ(w.windowTitle(), greek ? "Υπενθύμιση" : "Reminder");
            EXPECT_EQ(w.chkWarning->text(), greek ? "Δεν θέλω να δω ξανά αυτό το μήνυμα."
                                                  : "I don't want to see this message again.");
            const QRect label = w.lblWarning->geometry();
            EXPECT_LE(w.lblWarning->heightForWidth(label.width()), label.height()) << "text cut";
            EXPECT_GE(w.chkWarning->y(), label.bottom());
            EXPECT_LE(w.cmdOK->geometry().bottom(), w.height());
        }
        EXPECT_EQ(seen.last(), QString::fromUtf8(caution[greek]));
    }
    seen.removeDuplicates();
    EXPECT_EQ(seen.size(), 10);
    EXPECT_EQ(box.beeps, 10);
}

TEST_F(Reminder, AWorkerThreadWaitsForTheWindowOnTheInterfaceThread)
{
    App().CurrentReminder = 3;
    std::atomic<bool> finished = false;
    int opened = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto *w = qobject_cast<frmWarning *>(QApplication::activeModalWidget())) {
            ++opened;
            EXPECT_FALSE(finished) << "the worker went on while the reminder was open";
            tickAndOk(*w);
        }
    });
    driver.start(0);
    std::thread worker([&] {
        ShowReminder();
        finished = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 10000));
    worker.join();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(readBytes(ini), "[Warnings]\nManual=0\n");
}

} // namespace
