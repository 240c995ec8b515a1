#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmWarning.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmRecallPath.h"
#include "ui/options/OptionControls.h"
#include "ui/options/frmOptions.h"
#include "engine/settings/HelpFile.h"
#include "ui/run/frmFinalSelection.h"
#include "ui/run/frmSelectFile.h"
#include "ui/run/frmSelectTargetFolder.h"
#include "ui/run/frmSkippedItems.h"
#include "ui/run/frmSynchronize.h"
#include "WindowTesting.h"

#include <QPainter>
#include <QSet>
#include <QWhatsThis>

namespace {

const QString kHelp = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../help/");

struct Sample { const char *objectName; int topic; };
struct Window { const char *name; std::function<std::unique_ptr<QWidget>()> make; std::vector<Sample> samples; };

// Every window, each with a few of its controls and the topic a right click
// shows on them (0: none, as on a label or a number field).
std::vector<Window> windows()
{
    static ManualSelectionSide sides[2];
    sides[0].rootPath = sides[1].rootPath = QStringLiteral("/tmp/");
    sides[0].entries = sides[1].entries = {QStringLiteral("-a.txt")};
    const FileChoiceFile upper{QStringLiteral("/l/a.txt"), 1, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5))};
    const FileChoiceFile lower{QStringLiteral("/r/a.txt"), 2, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))};
    return {
        {"frmMain", [] { return std::make_unique<frmMain>(); },
         {{"cmdSynchronize", 10150}, {"cmdRefresh_1", 10090}, {"cmdAsterisk_0", 10210},
          {"txtFileType_1", 10220}, {"tvwControl_1", 10020}, {"picCopyright", 10180}}},
        {"frmRecallPath", [] { return std::make_unique<frmRecallPath>(); }, {{"cmdEdit", 20030}}},
        {"frmAbout", [] { return std::make_unique<frmAbout>(); }, {{"cmdSysInfo", 30070}, {"lblVersion", 30030}}},
        {"frmOptions", [] { return std::make_unique<frmOptions>(); },
         {{"chkSwapItems", 40310}, {"cmdAll", 40180}, {"updSeconds", 40420}, {"lblDays", 0},
          {"txtDays", 0}}},
        {"frmWarning", [] { return std::make_unique<frmWarning>(); }, {{"chkWarning", 50020}}},
        {"frmSelectTargetFolder", [] { return std::make_unique<frmSelectTargetFolder>(QStringList()); },
         {{"cmdOK", 60060}}},
        {"frmFinalSelection", [] { return std::make_unique<frmFinalSelection>(sides); },
         {{"cmdAll", 70110}, {"lstSelectItems_1", 70070}}},
        {"frmSelectFile", [upper, lower] { return std::make_unique<frmSelectFile>(upper, lower, 3); },
         {{"cmdDoNotCopy", 80140}}},
        {"frmSynchronize", [] { return std::make_unique<frmSynchronize>(RunInputs()); },
         {{"cmdClose", 90390}, {"lblStep4InfoFiles_1", 90320}}},
        {"frmSkippedItems",
         [] {
             SkippedItemsReport report;
             report.items = {{QStringLiteral("/r/a.txt"), SkipReason::Changed, QString()}};
             report.notices = QStringList{QStringLiteral("A notice.")};
             return std::make_unique<frmSkippedItems>(report);
         },
         {{"lstSkipped", 100020}, {"cmdOK", 100050}}},
    };
}

class HelpCoverage : public WindowTest {
protected:
    RecordedHelp help;
    std::vector<RecordedHelp::Shown> &shown = help.shown;

    void SetUp() override
    {
        App().EnglishHelpFilePath = kHelp + "OrvanelUk.hlp";
        App().GreekHelpFilePath = kHelp + "OrvanelGr.hlp";
        App().OptionValues.SwapItems = App().OptionValues.ExcludeFilesFromSwapping = true;
        App().ReminderSwitches.Swapping = false; // a caution would block
    }
};

TEST_F(HelpCoverage, EveryTopicAWindowUsesHasATextInBothLanguages)
{
    QSet<int> all;
    for (const Window &w : windows()) {
        const auto window = w.make();
        QList<QWidget *> controls = window->findChildren<QWidget *>();
        controls << window.get();
        for (QWidget *c : controls) {
            const int topic = ContextHelp::topic(c);
            if (topic <= 0)
                continue;
            all << topic;
            for (const char *file : {"OrvanelUk.hlp", "OrvanelGr.hlp"})
                EXPECT_FALSE(helpTopicText(kHelp + file, topic).isEmpty())
                    << w.name << " " << c->objectName().toStdString() << " " << topic << " " << file;
        }
    }
    EXPECT_GE(all.size(), 140) << "the windows together give this many topics";
}

TEST_F(HelpCoverage, ARightClickShowsTheControlsTopicInTheCurrentLanguage)
{
    for (int language : {Language::English, Language::Greek}) {
        Language::applyState(language);
        const QString file = kHelp + (language == Language::Greek ? "OrvanelGr.hlp" : "OrvanelUk.hlp");
        for (const Window &w : windows()) {
            const auto window = w.make();
            window->show();
            for (const Sample &s : w.samples) {
                auto *control = window->findChild<QWidget *>(QString::fromLatin1(s.objectName));
                ASSERT_NE(control, nullptr) << w.name << " " << s.objectName;
                shown.clear();
                QTest::mouseRelease(control, Qt::RightButton, {}, control->rect().center());
                ASSERT_EQ(shown.size(), s.topic ? 1u : 0u) << w.name << " " << s.objectName;
                EXPECT_EQ(shown.empty() ? QString() : shown[0].text, helpTopicText(file, s.topic))
                    << w.name << " " << s.objectName;
            }
            window->hide();
        }
    }
}

// The number boxes keep their own right-click menu; the keyboard reaches their help.
TEST_F(HelpCoverage, SecondaryWindowsOfferTheQuestionMarkAndShiftF1)
{
    Language::applyState(Language::English);
    frmOptions options;
    EXPECT_TRUE(options.windowFlags() & Qt::WindowContextHelpButtonHint);
    activate(&options);
    QTest::keyClick(&options, Qt::Key_F1, Qt::ShiftModifier);
    ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
    QTest::mouseClick(options.txtLevels, Qt::LeftButton);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].topic, 40190);
}

} // namespace
