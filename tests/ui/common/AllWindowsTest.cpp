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

#include <QSet>
#include <QToolButton>
#include <QWhatsThis>

namespace {

const QString kHelp = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../help/");

struct Sample { const char *objectName; int topic; };
struct Window {
    QString name;
    std::function<std::unique_ptr<QWidget>()> make;
    std::vector<Sample> samples;
    // Whatever making it changed in the state, the next window does not see.
    std::unique_ptr<QWidget> open() const
    {
        const AppState before = App();
        auto w = make();
        App() = before;
        return w;
    }
};

// Every window, each with a few of its controls and the topic a right click
// shows on them (0: none, as on a label or a number field); the options
// extended and plain, and each reminder.
std::vector<Window> windows(const QString &folder)
{
    static ManualSelectionSide sides[2];
    sides[0].rootPath = sides[1].rootPath = QStringLiteral("/tmp/");
    sides[0].entries = sides[1].entries = {QStringLiteral("-a.txt")};
    const FileChoiceFile upper{QStringLiteral("/l/a.txt"), 1, QDateTime(QDate(2025, 9, 30), QTime(23, 58, 59))};
    const FileChoiceFile lower{QStringLiteral("/r/a.txt"), 2, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))};
    std::vector<Window> all = {
        {"frmMain",
         [folder] { // started in the current language
             writeBytes(folder + "/Orvanel.ini", App().LanguageIsGreek ? "[General]\nLanguage=0\n" : "[General]\nLanguage=1\n");
             auto w = std::make_unique<frmMain>();
             EXPECT_TRUE(w->load(folder, kHelp));
             return w;
         },
         {{"cmdSynchronize", 10150}, {"cmdRefresh_1", 10090}, {"cmdAsterisk_0", 10210},
          {"txtFileType_1", 10220}, {"tvwControl_1", 10020}, {"picCopyright", 10180}}},
        {"frmRecallPath", [] { return std::make_unique<frmRecallPath>(); }, {{"cmdEdit", 20030}}},
        {"frmAbout", [] { return std::make_unique<frmAbout>(); }, {{"cmdSysInfo", 30070}, {"lblVersion", 30030}}},
        {"frmOptions", [] { return std::make_unique<frmOptions>(); },
         {{"chkSwapItems", 40310}, {"cmdAll", 40180}, {"updSeconds", 40420}, {"lblDays", 0},
          {"txtDays", 0}}},
        {"frmOptions plain", [] {
             App().OptionValues.SwapItems = false;
             return std::make_unique<frmOptions>();
         }, {}},
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
    for (int n = 1; n <= 5; ++n)
        all.push_back({"frmWarning " + QString::number(n), [n] {
                           App().CurrentReminder = n;
                           return std::make_unique<frmWarning>();
                       }, n == 1 ? std::vector<Sample>{{"chkWarning", 50020}} : std::vector<Sample>{}});
    return all;
}

class AllWindows : public WindowTest {
protected:
    RecordedHelp help;
    std::vector<RecordedHelp::Shown> &shown = help.shown;
    TestRoots roots{dir.path(), {dir.path()}};

    void SetUp() override
    {
        App().EnglishHelpFilePath = kHelp + "OrvanelUk.hlp";
        App().GreekHelpFilePath = kHelp + "OrvanelGr.hlp";
        App().OptionValues.SwapItems = App().OptionValues.ExcludeFilesFromSwapping = true;
        App().ReminderSwitches.Swapping = false; // a caution would block
    }
};

TEST_F(AllWindows, EveryTopicAWindowUsesHasATextInBothLanguages)
{
    QSet<int> all;
    for (const Window &w : windows(dir.path())) {
        const auto window = w.open();
        QList<QWidget *> controls = window->findChildren<QWidget *>();
        controls << window.get();
        for (QWidget *c : controls) {
            const int topic = ContextHelp::topic(c);
            if (topic <= 0)
                continue;
            all << topic;
            for (const char *file : {"OrvanelUk.hlp", "OrvanelGr.hlp"})
                EXPECT_FALSE(helpTopicText(kHelp + file, topic).isEmpty())
                    << w.name.toStdString() << " " << c->objectName().toStdString() << " " << topic << " " << file;
        }
    }
    EXPECT_GE(all.size(), 140) << "the windows together give this many topics";
}

TEST_F(AllWindows, ARightClickShowsTheControlsTopicInTheCurrentLanguage)
{
    for (int language : {Language::English, Language::Greek}) {
        Language::applyState(language);
        const QString file = kHelp + (language == Language::Greek ? "OrvanelGr.hlp" : "OrvanelUk.hlp");
        for (const Window &w : windows(dir.path())) {
            const auto window = w.open();
            window->show();
            for (const Sample &s : w.samples) {
                auto *control = window->findChild<QWidget *>(QString::fromLatin1(s.objectName));
                ASSERT_NE(control, nullptr) << w.name.toStdString() << " " << s.objectName;
                shown.clear();
                QTest::mouseRelease(control, Qt::RightButton, {}, control->rect().center());
                ASSERT_EQ(shown.size(), s.topic ? 1u : 0u) << w.name.toStdString() << " " << s.objectName;
                EXPECT_EQ(shown.empty() ? QString() : shown[0].text, helpTopicText(file, s.topic))
                    << w.name.toStdString() << " " << s.objectName;
            }
            window->hide();
        }
    }
}

// The number boxes keep their own right-click menu; the keyboard reaches their help.
TEST_F(AllWindows, SecondaryWindowsOfferTheQuestionMarkAndShiftF1)
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

// Texts that read the same in Greek by design, and the sample data the windows show.
const QSet<QString> kSameInBoth = {"OK", "Ελληνικά / Greek", "English / Αγγλικά"};
const QStringList kSampleData = {"/tmp/", "/l/a.txt", "/r/a.txt", "A notice."};

bool sameByDesign(const QString &text)
{
    return kSameInBoth.contains(text) || !text.contains(QRegularExpression("[A-Za-z]"))
           || std::any_of(kSampleData.begin(), kSampleData.end(), [&](const QString &d) { return text.contains(d); });
}

// Whether a control shows its text whole: a push button's and a group's on one
// line, a box's or a dot's wrapped beside it (24 pixels at most in every style
// here), a label's on one line unless it wraps.
bool whole(QWidget *c, const QString &text)
{
    const QFontMetrics m = c->fontMetrics();
    if (auto *g = qobject_cast<QGroupBox *>(c))
        return m.horizontalAdvance(text) + 16 <= g->width();
    if (qobject_cast<QPushButton *>(c))
        return c->rect().contains(m.boundingRect(c->rect(), 0, text));
    if (qobject_cast<QAbstractButton *>(c))
        return c->rect().contains(m.boundingRect(QRect(0, 0, c->width() - 24, 10000), Qt::TextWordWrap, text));
    auto *l = static_cast<QLabel *>(c);
    if (l->wordWrap())
        return l->heightForWidth(l->contentsRect().width()) <= l->contentsRect().height();
    return m.horizontalAdvance(text) <= l->contentsRect().width();
}

// Wrapped labels grow with the font; the target window grows for its root line
// too, but the test screen (800 x 600) leaves it no room.
bool wraps(QWidget *c)
{
    auto *l = qobject_cast<QLabel *>(c);
    return l && l->wordWrap() && l->objectName() != "lblTargetFolder";
}

// Every text the window shows, as "control kind" -> text, each checked whole
// inside the window; in a larger font only the wrapped ones, which grow with it.
QMap<QString, QString> shownTexts(QWidget &window, const QString &where, bool larger)
{
    QMap<QString, QString> texts{{"window title", window.windowTitle()}};
    EXPECT_FALSE(window.windowTitle().isEmpty()) << where.toStdString();
    const auto area = [&](QWidget *c) { return QRect(c->mapTo(&window, QPoint()), c->size()); };
    QList<QWidget *> captioned;
    for (QWidget *c : window.findChildren<QWidget *>()) {
        if (!c->isVisibleTo(&window) || !window.rect().intersects(area(c)))
            continue;
        const std::string name = where.toStdString() + " " + c->objectName().toStdString();
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(c))
            text = b->text();
        else if (auto *g = qobject_cast<QGroupBox *>(c))
            text = g->title();
        else if (auto *l = qobject_cast<QLabel *>(c); l && !l->pixmap().isNull())
            continue;
        else if (l)
            text = l->text();
        else if (c->toolTip().isEmpty())
            continue;
        if (!text.isEmpty()) {
            texts[c->objectName() + " text"] = text;
            captioned << c;
            EXPECT_TRUE(window.rect().contains(area(c))) << name;
            EXPECT_TRUE((larger && !wraps(c)) || whole(c, text)) << name << ": " << text.toStdString();
        } else if (auto *t = qobject_cast<QToolButton *>(c); t && t->arrowType() != Qt::NoArrow) {
        } else if (qobject_cast<QAbstractButton *>(c) || qobject_cast<QGroupBox *>(c)) {
            EXPECT_FALSE(c->toolTip().isEmpty()) << name << ": a control without a caption explains itself";
        }
        if (!c->toolTip().isEmpty())
            texts[c->objectName() + " tooltip"] = c->toolTip();
    }
    // A wrapped text, however long, hides no other caption.
    for (QWidget *a : captioned)
        for (QWidget *b : captioned)
            EXPECT_TRUE(!wraps(a) || a == b || a->isAncestorOf(b) || b->isAncestorOf(a) || !area(a).intersects(area(b)))
                << where.toStdString() << " " << a->objectName().toStdString() << " " << b->objectName().toStdString();
    return texts;
}

// Every window of either language shows all its texts whole, and a Greek text
// for every English one.
TEST_F(AllWindows, EveryCaptionOfEveryWindowIsWholeAndTranslated)
{
    for (const Window &w : windows(dir.path())) {
        QMap<QString, QString> texts[2];
        for (const int language : {Language::English, Language::Greek})
            for (const double size : {1.0, 1.5}) {
                const LargerFont font(size);
                Language::applyState(language);
                const auto window = w.open();
                window->show();
                const QString where = w.name + (language == Language::Greek ? " el " : " en ") + QString::number(size);
                texts[language == Language::Greek] = shownTexts(*window, where, size > 1);
            }
        for (auto it = texts[0].begin(); it != texts[0].end(); ++it)
            if (texts[1].value(it.key()) == it.value() && !sameByDesign(it.value()))
                ADD_FAILURE() << w.name.toStdString() << " " << it.key().toStdString() << " untranslated: "
                              << it.value().toStdString();
    }
}

} // namespace
