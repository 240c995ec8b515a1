// Saves pictures of the secondary windows in Greek and English, so they can be
// looked at and kept in docs/:
//   QT_QPA_PLATFORM=offscreen build/orvanel_screenshots DIR
// The main window, which needs a desktop's fonts and sizes, has
// tools/screenshot.sh.
#include "engine/settings/AppState.h"
#include "engine/settings/Language.h"
#include "engine/settings/Startup.h"
#include "engine/settings/Texts.h"
#include "ui/common/QtMessageService.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmWarning.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/FolderTree.h"
#include "engine/paths/PathHelpers.h"
#include "ui/main/frmRecallPath.h"
#include "ui/options/frmOptions.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/fs/Locations.h"
#include "engine/settings/MessageService.h"
#include "engine/run/RunText.h"
#include "ui/run/frmFinalSelection.h"
#include "ui/run/frmSelectFile.h"
#include "ui/run/frmSelectTargetFolder.h"
#include "ui/run/frmSkippedItems.h"
#include "ui/run/frmSynchronize.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWhatsThis>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>

namespace {

// No window here asks anything; a stray question must not block.
class NoQuestions : public MessageService {
public:
    int show(const QString &, const QString &, int) override { return Msg::Ok; }
    void beep() override {}
};

QString g_folder;
int g_failures = 0;

void save(QWidget &w, const QString &name)
{
    w.show();
    QTest::qWait(50); // lists lay their items out later
    if (!w.grab().save(QDir(g_folder).filePath(name + ".png"))) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(name));
        ++g_failures;
    }
}

QString suffixOf(int lang) { return lang == Language::Greek ? QStringLiteral("el") : QStringLiteral("en"); }

void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

void remindersAndAbout(int lang)
{
    for (int number : {1, 5}) {
        App().CurrentReminder = number;
        frmWarning w;
        save(w, QStringLiteral("frmWarning%1-").arg(number) + suffixOf(lang));
    }
    frmAbout about;
    save(about, "frmAbout-" + suffixOf(lang));
}

void recallWindow(int lang)
{
    write(App().SavedPathsFile[1], "/home/maria/Έγγραφα/Εργασία\r\n/media/usb/Backup\r\n/srv/photos\r\n");
    App().RecallSide = 1;
    frmRecallPath w;
    w.show();
    w.lstSavedPaths->setCurrentRow(1);
    save(w, "frmRecallPath-" + suffixOf(lang));
}

void optionsWindow(int lang)
{
    for (const bool extended : {false, true}) {
        App().OptionValues = Options();
        Options &o = App().OptionValues;
        o.SwapItems = extended;
        o.ExcludeFilesFromSwapping = true;
        o.Days = 1;
        o.Hours = 12;
        o.Levels = 3;
        frmOptions w;
        save(w, QStringLiteral("frmOptions-%1-%2").arg(suffixOf(lang), extended ? "extended" : "plain"));
    }
}

// The swap option's help over the options window.
void helpPopup(int lang)
{
    ContextHelp::setDisplay({});
    frmOptions options;
    options.show();
    (void)QTest::qWaitForWindowExposed(&options);
    auto *swap = options.findChild<QWidget *>(QStringLiteral("chkSwapItems"));
    QTest::mouseRelease(swap, Qt::RightButton, {}, QPoint(40, swap->height() / 2));
    QWidget *popup = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QWhatsThat")
            popup = w;
    if (!popup) {
        ++g_failures;
        return;
    }
    const QPoint at = popup->pos() - options.pos();
    const QRect area = options.rect().united(QRect(at, popup->size()));
    QPixmap picture(area.size());
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(-area.topLeft(), options.grab());
    painter.drawPixmap(at - area.topLeft(), popup->grab());
    painter.end();
    if (!picture.save(QDir(g_folder).filePath("help-popup-" + suffixOf(lang) + ".png")))
        ++g_failures;
    QWhatsThis::hideText();
    QTest::qWait(0);
}

void targetWindow(int lang, const QString &home, const QString &usb)
{
    {
        frmSelectTargetFolder w({});
        w.show();
        w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(0, home + "/Backup")));
        save(w, "frmSelectTargetFolder-" + suffixOf(lang));
    }
    frmSelectTargetFolder w({});
    w.show();
    w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(2, usb)));
    w.txtTargetFolder->setText(QStringLiteral("Συγχρονισμός"));
    save(w, "frmSelectTargetFolder-usb-" + suffixOf(lang));
}

// Pictures each message box the program shows, as the window would, and gives the safe answer.
class PictureMessages : public MessageService {
public:
    QString name;
    QString title; // only a message of this title, when set
    int show(const QString &prompt, const QString &shownTitle, int style) override
    {
        if (!title.isEmpty() && shownTitle != title)
            return Msg::Ok;
        QMessageBox box;
        QtMessageService::prepare(box, prompt, shownTitle, style);
        if (!name.isEmpty())
            save(box, name);
        name.clear();
        return Msg::buttons(style) == Msg::YesNo ? Msg::No : Msg::buttons(style) == Msg::OkCancel ? Msg::Cancel : Msg::Ok;
    }
    void beep() override {}
};

// The question before replacing a folder, a folder that cannot be created, and Edit without an editor.
void messages(int lang, const QString &home, const QString &tmp)
{
    PictureMessages pictures;
    MessageService *const quiet = setMessageService(&pictures);
    {
        frmSelectTargetFolder w({});
        w.show();
        w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(0, home + "/Backup")));
        pictures.name = "msg-delete-target-" + suffixOf(lang);
        w.cmdOK->click();
    }
    const QString gone = tmp + "/media/maria/DISK";
    QDir().mkpath(gone);
    Roots::setProvider([home, gone] { return QStringList{home, gone}; });
    {
        frmSelectTargetFolder w({});
        w.show();
        w.tvwControl->setCurrentItem(w.tvwControl->node(FolderTree::makeKey(1, gone)));
        w.txtTargetFolder->setText(QStringLiteral("Backup"));
        QDir(gone).removeRecursively();
        pictures.name = "msg-create-target-failed-" + suffixOf(lang);
        w.cmdOK->click();
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");
    qputenv("ORVANEL_EDITOR", "my-editor --wait");
    {
        App().RecallSide = 0;
        frmRecallPath w;
        w.show();
        pictures.name = "msg-no-editor-" + suffixOf(lang);
        w.cmdEdit->click();
    }
    qunsetenv("ORVANEL_EDITOR");
    qputenv("PATH", path);
    setMessageService(quiet);
}

void manualSelection(int lang)
{
    ManualSelectionSide sides[2];
    sides[0].rootPath = QStringLiteral("/home/maria/Έγγραφα");
    sides[1].rootPath = QStringLiteral("/media/maria/USB STICK 32GB/Αντίγραφα ασφαλείας/2026/Ιανουάριος");
    for (const char *name : {"Εργασία", "Photos", "Σημειώσεις", "Projects/orvanel"}) {
        const QString folder = QString::fromUtf8(name);
        for (ManualSelectionSide &s : sides)
            s.entries.push_back(QLatin1Char('+') + folder);
        for (int i = 1; i <= 9; ++i) {
            sides[0].entries.push_back(QStringLiteral("-%1/έγγραφο %2.odt").arg(folder).arg(i));
            if (i % 2)
                sides[1].entries.push_back(
                    QStringLiteral("-%1/IMG_2026010%2_a very long file name to see how it is cut.jpg").arg(folder).arg(i));
        }
    }
    sides[1].entries.push_back(QStringLiteral("-notes.txt"));
    frmFinalSelection w(sides);
    w.show();
    w.cmdAll->click();
    w.cmdSelectNone[0]->click();
    for (int row : {0, 2, 3, 4, 11})
        w.lstSelectItems[0]->item(row)->setSelected(true);
    for (int row : {1, 7, 8})
        w.lstSelectItems[1]->item(row)->setSelected(false);
    save(w, "frmFinalSelection-" + suffixOf(lang));
    w.resize(w.size() * 3 / 2);
    save(w, "frmFinalSelection-large-" + suffixOf(lang));
    if (lang == Language::English) {
        // The longest entry is not the last; its end must still be in reach.
        ManualSelectionSide oneSide[2] = {{}, sides[1]};
        frmFinalSelection right(oneSide);
        right.show();
        QScrollBar *bar = right.lstSelectItems[1]->horizontalScrollBar();
        bar->setValue(bar->maximum());
        save(right, "frmFinalSelection-right-only-en");
    }
}

void fileChoice(int lang)
{
    const FileChoiceFile upper{
        QStringLiteral("/home/maria/Έγγραφα/Εργασία/2026/Προσφορές/Προσφορά ανακαίνισης γραφείων - τελική.odt"),
        2483712, QDateTime(QDate(2026, 2, 27), QTime(18, 42, 9))};
    const FileChoiceFile lower{
        QStringLiteral("/media/maria/USB STICK 32GB/Αντίγραφα ασφαλείας/Φορητός υπολογιστής/Έγγραφα/"
                       "Εργασία/2026/Προσφορές/Προσφορά ανακαίνισης γραφείων - τελική.odt"),
        2479104, QDateTime(QDate(2026, 2, 25), QTime(9, 7, 44))};
    frmSelectFile w(upper, lower, 3);
    save(w, "frmSelectFile-" + suffixOf(lang));
    w.resize(w.size() * 1.5);
    save(w, "frmSelectFile-large-" + suffixOf(lang));
}

bool runToTheEnd(frmSynchronize &w)
{
    w.show();
    w.cmdSynchronize->click();
    return QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 20000);
}

// A run of left and right with no reminders, its settings in tmp.
RunInputs quietRun(const QString &tmp, const QString &left, const QString &right)
{
    RunInputs in;
    in.SourcePath[0] = left;
    in.SourcePath[1] = right;
    App().ReminderSwitches = Reminders{false, false, false, false, false};
    App().SettingsFilePath = tmp + "/Orvanel.ini";
    return in;
}

// A finished copy, and one onto a stick that could not take everything.
void synchronizationWindow(int lang, const QString &tmp)
{
    const QString left = tmp + "/left", right = tmp + "/right";
    write(left + "/big.bin", QByteArray(1234, 'b'));
    write(left + "/sub/a.txt", "a");
    write(right + "/r.txt", "r");
    const RunInputs in = quietRun(tmp, left, right);
    App().OptionValues.DeleteEmptyFolders = true;
    int copies = 0;
    frmSynchronize::targetChooser = [&](const QStringList &, QWidget *) {
        const QString t = tmp + QStringLiteral("/targets/%1-%2").arg(suffixOf(lang)).arg(++copies);
        QDir().mkpath(t);
        return t;
    };
    {
        frmSynchronize w(in);
        if (runToTheEnd(w))
            save(w, "frmSynchronize-" + suffixOf(lang));
        w.cmdClose->click();
    }
    {
        // Caught while it puts what it wrote on the disk.
        std::atomic<bool> flushing{false}, pictured{false};
        FileOps::flushForTests = [&](int, bool) {
            flushing = true;
            while (!pictured)
                QThread::msleep(10);
            return 0;
        };
        frmSynchronize w(in);
        w.show();
        w.cmdSynchronize->click();
        if (QTest::qWaitFor([&] { return flushing.load(); }, 20000)) {
            QTest::qWait(200); // the labels follow the run at the window's pace
            save(w, "frmSynchronize-writing-" + suffixOf(lang));
        } else {
            ++g_failures;
        }
        pictured = true;
        if (!QTest::qWaitFor([&] { return w.state() == RunState::Finished; }, 20000))
            ++g_failures;
        FileOps::flushForTests = nullptr;
        w.cmdClose->click();
    }

    std::optional<SkippedItemsReport> report;
    frmSynchronize::skippedItemsViewer = [&](const SkippedItemsReport &r, QWidget *) { report = r; };
    frmSynchronize w(in);
    const QString stick = "/media/maria/STICK/" + tx("Copy", "Αντίγραφο");
    SkippedItems &skipped = w.run().Skipped;
    skipped.add(stick + "/Φωτογραφίες/Διακοπές 2025/Παραλία: 12:40.jpg", SkipReason::CannotHold);
    skipped.add(stick + "/Έγγραφα/Αναφορά.PDF", SkipReason::CaseClash);
    skipped.add("/home/maria/Έγγραφα/κλειδιά.kdbx", SkipReason::Unreadable, "Permission denied");
    skipped.add(FileNames::fromBytes(QByteArray("/home/maria/\xD0\xE1\xEB\xE9\xDC/\xE3\xF1\xDC\xEC\xEC\xE1.doc")),
                SkipReason::Unreadable, "Input/output error");
    skipped.add("/home/maria/Έγγραφα/Προϋπολογισμός 2026.ods", SkipReason::Changed);
    skipped.add(stick + "/Έγγραφα/σωλήνας", SkipReason::SpecialFile);
    skipped.add("/home/maria/Έγγραφα/τρέχον", SkipReason::CannotHold,
                tx("a disk of type vfat has no symbolic links", "ένας δίσκος τύπου vfat δεν έχει συμβολικούς συνδέσμους"));
    skipped.add(stick + "/Έγγραφα/Παλιά", SkipReason::NotAFolder, "Too many levels of symbolic links");
    skipped.add(stick + "/Βίντεο/Γάμος Ελένης και Νίκου.mp4", SkipReason::CannotHold, "File too large");
    for (int i = 1; i <= 124; ++i)
        skipped.add(stick + QString("/Μουσική/Συλλογή/%1 - Τραγούδι.flac").arg(i, 3, 10, QChar('0')),
                    SkipReason::AccessRefused, "Read-only file system");
    w.host().notice(tx("Letter case is ignored in names in this run, because the right folder is on a disk "
                       "that does not tell upper and lower case apart (vfat).",
                       "Στο συγχρονισμό αυτό δεν γίνεται διάκριση πεζών και κεφαλαίων γραμμάτων στα ονόματα, "
                       "διότι ο δεξιός φάκελλος βρίσκεται σε δίσκο που δεν διακρίνει τα πεζά από τα κεφαλαία "
                       "γράμματα (vfat)."));
    if (!runToTheEnd(w)) {
        ++g_failures;
        return;
    }
    save(w, "frmSynchronize-skipped-" + suffixOf(lang));
    w.cmdSkipped->click();
    if (!report) {
        ++g_failures;
        return;
    }
    report->listFile = "/home/maria/.config/orvanel/SkippedItems.txt";
    {
        frmSkippedItems list(*report);
        save(list, "frmSkippedItems-" + suffixOf(lang));
    }
    report->stopped = true;
    report->notices = QStringList{w.lblNotices->text()};
    frmSkippedItems stopped(*report);
    save(stopped, "frmSkippedItems-stopped-" + suffixOf(lang));
    w.cmdClose->click();
}

// A finished swap that can be undone, the question after a swap stopped by a
// failing disk, and the one about a swap that was cut short.
void undoPictures(int lang, const QString &tmp)
{
    const QString left = tmp + "/Έγγραφα", right = tmp + "/USB STICK/Έγγραφα";
    write(left + "/Προσφορά.odt", QByteArray(48'213, 'n'));
    write(left + "/Σημειώσεις/todo.md", "new");
    write(right + "/Προσφορά.odt", QByteArray(41'977, 'o'));
    write(right + "/budget 2026.ods", "b");
    QFile older(right + "/Προσφορά.odt");
    if (older.open(QIODevice::ReadWrite))
        older.setFileTime(QDateTime(QDate(2025, 6, 1), QTime(9, 0)), QFileDevice::FileModificationTime);
    older.close();
    const RunInputs in = quietRun(tmp, left, right);
    App().OptionValues.SwapItems = true;
    {
        frmSynchronize w(in);
        w.show();
        w.cmdSynchronize->click();
        if (QTest::qWaitFor([&] { return w.cmdUndo->isVisible(); }, 20000))
            save(w, "frmSynchronize-undo-" + suffixOf(lang));
        else
            ++g_failures;
        w.cmdClose->click();
    }
    PictureMessages pictures;
    MessageService *const quiet = setMessageService(&pictures);
    pictures.title = RunText::undoTitle();
    pictures.name = "msg-undo-stopped-" + suffixOf(lang);
    write(left + "/Σημειώσεις/ideas.md", "new"); // something left to swap
    int failures = 1;
    FileOps::flushForTests = [&](int, bool) {
        errno = EIO;
        return failures-- > 0 ? -1 : 0;
    };
    {
        frmSynchronize w(in);
        w.show();
        w.cmdSynchronize->click();
        if (!QTest::qWaitFor([&] { return !w.isVisible(); }, 20000) || !pictures.name.isEmpty())
            ++g_failures;
    }
    FileOps::flushForTests = nullptr;
    pictures.name = "msg-undo-cut-short-" + suffixOf(lang);
    MsgBox(RunText::cutShortQuestion(QDateTime(QDate(2026, 3, 14), QTime(9, 12, 45)), 48'213'504),
           Msg::Question | Msg::YesNo, RunText::undoTitle());
    setMessageService(quiet);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR   (pictures of the secondary windows in both languages)\n", argv[0]);
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    NoQuestions quiet;
    setMessageService(&quiet);

    // A small home and USB stick for the target window's trees.
    QTemporaryDir tmp(QStringLiteral("/tmp/o-XXXXXX"));
    const QString home = tmp.filePath("home/maria");
    const QString usb = tmp.filePath("media/maria/USB STICK 32GB");
    for (const char *d : {"home/maria/Έγγραφα/Εργασία", "home/maria/Φωτογραφίες", "home/maria/.config",
                          "media/maria/USB STICK 32GB/Archive"})
        QDir().mkpath(tmp.filePath(d));
    for (const char *f : {"home/maria/.bashrc", "home/maria/Backup/Σημειώσεις.txt", "home/maria/Backup/todo.md",
                          "home/maria/Backup/budget 2026.ods", "media/maria/USB STICK 32GB/photos-2025.tar",
                          "media/maria/USB STICK 32GB/README"})
        write(tmp.filePath(f), "x");
    qputenv("HOME", FileNames::toBytes(home));
    Roots::setProvider([home, usb] { return QStringList{home, QStringLiteral("/"), usb}; });

    for (const int lang : {Language::Greek, Language::English}) {
        // The help files live beside the program, as in a build tree.
        const QString data = Locations::dataFolder(QCoreApplication::applicationDirPath());
        const QString settings = tmp.filePath("settings-" + suffixOf(lang));
        const auto fresh = [&] {
            resetAppState();
            Startup::computeFileLocations(settings, data);
            Language::applyState(lang);
        };
        fresh();
        remindersAndAbout(lang);
        fresh();
        recallWindow(lang);
        optionsWindow(lang);
        fresh();
        helpPopup(lang);
        fresh();
        targetWindow(lang, home, usb);
        fresh();
        messages(lang, home, tmp.path());
        Roots::setProvider([home, usb] { return QStringList{home, QStringLiteral("/"), usb}; });
        fresh();
        manualSelection(lang);
        fresh();
        fileChoice(lang);
        fresh();
        synchronizationWindow(lang, tmp.filePath("run-" + suffixOf(lang)));
        fresh();
        undoPictures(lang, tmp.filePath("undo-" + suffixOf(lang)));
    }
    Roots::setProvider(nullptr);
    setMessageService(nullptr);
    if (g_failures)
        std::fprintf(stderr, "%d pictures could not be made\n", g_failures);
    return g_failures ? 1 : 0;
}
