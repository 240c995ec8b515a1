#include "ui/dialogs/frmWarning.h"

#include "ui/dialogs/PictureBox.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Settings.h"
#include "engine/settings/Texts.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/TwipsLayout.h"
#include "engine/settings/MessageService.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QThread>

namespace {
constexpr int kDesignWidth = 7092;
constexpr int kDesignHeight = 1932;
constexpr int kTextLeft = 600, kTextTop = 120, kTextWidth = 6252, kTextHeight = 852;

bool isReminder(int number) { return number >= 1 && number <= 5; }

const char *settingsKey(int number)
{
    static const char *const keys[] = {"Options", "Target", "Manual", "Common", "Swapping"};
    return keys[number - 1];
}
} // namespace

void ShowReminder()
{
    const int number = App().CurrentReminder;
    if (!isReminder(number) || !App().ReminderSwitches[number])
        return;
    // Windows live on the interface thread; a run on a worker waits for it.
    if (QThread::currentThread() != qApp->thread()) {
        QMetaObject::invokeMethod(qApp, &ShowReminder, Qt::BlockingQueuedConnection);
        return;
    }
    frmWarning w(QApplication::activeWindow());
    w.exec();
}

QString frmWarning::reminderText(int number)
{
    switch (number) {
    case 1:
        return tx("The window you are about to see, is being displayed because you have asked to "
                  "see the options window, before the synchronization process commences.",
                  "Η οθόνη που θα δείτε στη συνέχεια, εμφανίζεται διότι έχετε ζητήσει την εμφάνιση "
                  "της οθόνης με τις επιλογές, πριν αρχίσει η διαδικασία του συγχρονισμού.");
    case 2:
        return tx("The window you are about to see, is being displayed because you have to set the "
                  "target folder, that is the folder where the results of the synchronization "
                  "process will be stored.",
                  "Η οθόνη που θα δείτε στη συνέχεια, εμφανίζεται διότι πρέπει να ορίσετε το "
                  "φάκελλο προορισμού, δηλαδή το φάκελλο μέσα στον οποίο θα αποθηκευθούν τα "
                  "αποτελέσματα του συγχρονισμού.");
    case 3:
        return tx("The window you are about to see, is being displayed because you have asked to "
                  "have full control over the items that will be synchronized.",
                  "Η οθόνη που θα δείτε στη συνέχεια, εμφανίζεται διότι έχετε ζητήσει να έχετε τον "
                  "πλήρη έλεγχο των στοιχείων τα οποία θα συγχρονισθούν.");
    case 4:
        return tx("The window you are about to see, is being displayed because a file exists in both "
                  "folders and you have asked to be able to decide yourself which file to copy.",
                  "Η οθόνη που θα δείτε στη συνέχεια, εμφανίζεται διότι κάποιο αρχείο υπάρχει και "
                  "στους δύο φακέλλους και έχετε ζητήσει να αποφασίζετε εσείς για το ποιό αρχείο θα "
                  "αντιγραφεί.");
    case 5:
        return tx("CAUTION: You have selected to synchronize the items by swapping them between the "
                  "source folders. If, for any reason, the synchronization process FAILS, the source "
                  "folders will remain as they were the moment at which the synchronization process "
                  "failed to complete.",
                  "ΠΡΟΣΟΧΗ: Επιλέξατε τον συγχρονισμό τών στοιχείων μέσω ανταλλαγής τους στους "
                  "πηγαίους φακέλλους. Εάν, για οποιονδήποτε λόγο, ο συγχρονισμός ΔΕΝ ολοκληρωθεί, "
                  "οι πηγαίοι φάκελλοι θα παραμείνουν όπως διαμορφώθηκαν μέχρι την στιγμή τής "
                  "διακοπής τού συγχρονισμού.");
    default:
        return {};
    }
}

frmWarning::frmWarning(QWidget *parent) : SecondaryWindow(parent), m_number(App().CurrentReminder)
{
    setObjectName(QStringLiteral("frmWarning"));
    picWarning = new PictureBox(
        [this](int size) { return style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size); },
        this);
    picWarning->setObjectName(QStringLiteral("picWarning"));
    lblWarning = new QLabel(this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    chkWarning = new QCheckBox(this);
    chkWarning->setObjectName(QStringLiteral("chkWarning"));
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    load();

    // A long text in a wide font would be cut at the design height: the label
    // grows to hold it and everything below moves down with the window.
    const int textHeight = wrappedHeightTwips(lblWarning, kTextWidth, kTextHeight);
    const int extra = textHeight - kTextHeight;
    auto *layout = new TwipsLayout(this, kDesignWidth, kDesignHeight + extra);
    layout->add(picWarning, 120, 120, 384, 384);
    layout->add(lblWarning, kTextLeft, kTextTop, kTextWidth, textHeight);
    layout->add(chkWarning, 120, 1320 + extra, 5292, 372);
    layout->add(cmdOK, 5640, 1320 + extra, 1332, 492);
    resize(layout->designSize());
    cmdOK->setFocus();

    ContextHelp::setTopic(lblWarning, 50010);
    ContextHelp::setTopic(chkWarning, 50020);
    ContextHelp::setTopic(cmdOK, 50030);
    connect(cmdOK, &QPushButton::clicked, this, &frmWarning::cmdOK_Click);
}

void frmWarning::load()
{
    guarded(Loc::ReminderLoad, [this] {
        lblWarning->setText(reminderText(m_number));
        setWindowTitle(tx("Reminder", "Υπενθύμιση"));
        chkWarning->setText(tx("I don't want to see this message again.",
                               "Δεν θέλω να δω ξανά αυτό το μήνυμα."));
        cmdOK->setText(QStringLiteral("OK"));
        Beep();
    });
}

void frmWarning::cmdOK_Click()
{
    const bool ran = guarded(Loc::ReminderOk, [this] {
        if (chkWarning->isChecked() && isReminder(m_number)) {
            App().ReminderSwitches[m_number] = false;
            // A failed write leaves the reminder off until the program ends.
            Settings::write("Warnings", settingsKey(m_number), QStringLiteral("0"));
        }
    });
    if (ran)
        accept();
}
