#include "engine/run/RunText.h"

#include "engine/settings/Texts.h"
#include "engine/settings/AppState.h"

#include <QLocale>
#include <cmath>

namespace RunText {

QString formatCount(std::int64_t value)
{
    QString sep = QLocale::system().groupSeparator();
    if (sep.isEmpty() || QLocale::system().language() == QLocale::C)
        sep = QStringLiteral(",");
    const bool negative = value < 0;
    std::uint64_t v = negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    QString digits = QString::number(v);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, sep);
    return negative ? QLatin1Char('-') + digits : digits;
}

int progressPercent(std::int64_t position, std::int64_t last)
{
    if (last < 1)
        return 100;
    const double exact = double(position) / double(last) * 100.0;
    const double r = std::nearbyint(exact); // the default rounding mode rounds halves to even
    return int(std::clamp(r, 0.0, 100.0));
}

QString stepTitle(int step, bool swapping)
{
    switch (step) {
    case 1: return tx(" 1st STEP: Collecting items. ", " 1ο ΒΗΜΑ: Συλλογή στοιχείων. ");
    case 2:
        return tx(" 2nd STEP: Selecting the items that will be synchronized. ",
                  " 2ο ΒΗΜΑ: Επιλογή των στοιχείων τα οποία θα συγχρονισθούν. ");
    case 3:
        return tx(" 3rd STEP: Manual selection of the items that will will be synchronized. ",
                  " 3ο ΒΗΜΑ: Χειρωνακτική επιλογή των στοιχείων τα οποία θα συγχρονισθούν. ");
    case 4:
        return tx(" 4th STEP: Checking for items that may exist in both folders. ",
                  " 4ο ΒΗΜΑ: Έλεγχος για στοιχεία που ίσως υπάρχουν και στους δύο φακέλλους. ");
    case 5:
        return swapping ? tx(" 5th STEP: Swapping items between the source folders. ",
                             " 5ο ΒΗΜΑ: Ανταλλαγή στοιχείων ανάμεσα στους πηγαίους φακέλλους. ")
                        : tx(" 5th STEP: Copying items to the target folder. ",
                             " 5ο ΒΗΜΑ: Αντιγραφή στοιχείων στον φάκελλο προορισμού. ");
    default:
        return tx(" 6th STEP: Deleting empty folders that may exist in the target folder. ",
                  " 6ο ΒΗΜΑ: Διαγραφή άδειων φακέλλων οι οποίοι ίσως υπάρχουν στον φάκελλο "
                  "προορισμού. ");
    }
}

QString noItemsPrompt(bool swapping)
{
    QString t = tx("No items for synchronization have been located and as a result, the process is "
                   "being interrupted.",
                   "Δεν εντοπίσθηκαν στοιχεία προς συγχρονισμό και επομένως, η διαδικασία δεν "
                   "μπορεί να ολοκληρωθεί.")
                + kBlankLine
                + tx("Either the options that have been set or the lack of items in the folders "
                     "that have been selected for synchronization, could be responsible for not "
                     "locating any items.",
                     "Οι πιθανότερες αιτίες για την αδυναμία εντοπισμού στοιχείων προς συγχρονισμό, "
                     "είναι είτε οι επιλογές που έχουν ορισθεί ή η ανυπαρξία στοιχείων στους "
                     "φακέλλους που ζητήθηκε να συγχρονισθούν.");
    if (swapping)
        t += kBlankLine
             + tx("However, since you have selected to synchronize items by SWAPPING them between "
                  "the source folders, this message may be displayed either because the items of "
                  "the source folders are already synchronized, or because the options that have "
                  "been set contribute to the inability of the synchronization process to finish.",
                  "Ωστόσο, επειδή έχετε επιλέξει να συγχρονίσετε τα στοιχεία μέσω ΑΝΤΑΛΛΑΓΗΣ τους "
                  "στους πηγαίους φακέλλους, το μήνυμα αυτό μπορεί να εμφανίζεται είτε διότι τα "
                  "στοιχεία τών πηγαίων φακέλλων είναι ήδη συγχρονισμένα, ή διότι οι επιλογές που "
                  "έχουν ορισθεί συντελούν στο να μην μπορεί να ολοκληρωθεί η διαδικασία τού "
                  "συγχρονισμού.");
    return t;
}

QString noItemsTitle()
{
    return tx("No items to synchronize", "Ανυπαρξία στοιχείων προς συγχρονισμό");
}

} // namespace RunText

namespace RunText {

QString countersLine(std::int64_t folders, std::int64_t files, std::int64_t bytes)
{
    return tx("Folders: ", "Φάκελλοι: ") + formatCount(folders) + QStringLiteral(". ")
           + tx("Files: ", "Αρχεία: ") + formatCount(files) + QStringLiteral(". ")
           + tx("File size in bytes: ", "Μέγεθος αρχείων σε χαρακτήρες: ") + formatCount(bytes)
           + QLatin1Char('.');
}

QString leftoversRemoved(int count)
{
    const QString n = formatCount(count);
    return count == 1 ? tx("1 temporary file left by an interrupted run was removed.",
                           "Αφαιρέθηκε 1 προσωρινό αρχείο που είχε απομείνει από διακοπείσα εργασία.")
                      : tx("%1 temporary files left by interrupted runs were removed.",
                           "Αφαιρέθηκαν %1 προσωρινά αρχεία που είχαν απομείνει από διακοπείσες εργασίες.")
                            .arg(n);
}

QString bytes(std::int64_t count)
{
    return formatCount(count) + tx(" bytes", " χαρακτήρες");
}

QString noRoomForUndo(int side, std::int64_t needed, std::int64_t free)
{
    const QString where = side == 0 ? tx("the left folder", "του αριστερού φακέλλου") : tx("the right folder", "του δεξιού φακέλλου");
    return tx("The disk of ", "Ο δίσκος ") + where
           + tx(" has no room to keep the files this run replaces there, so that the run can be undone: the run writes ",
                " δεν έχει χώρο για να φυλαχθούν τα αρχεία που αντικαθιστά εκεί ο συγχρονισμός, ώστε να μπορεί να αναιρεθεί: ο συγχρονισμός γράφει ")
           + bytes(needed) + tx(" there, and ", " εκεί, και είναι ελεύθεροι ") + bytes(free)
           + tx(" are free.", ".") + QStringLiteral("\r\n\r\n")
           + tx("Go on without undo data for that side? (No stops the run before it changes anything.)",
                "Να συνεχισθεί χωρίς δεδομένα αναίρεσης για την πλευρά αυτή; (Με το «Όχι» ο συγχρονισμός σταματά πριν αλλάξει οτιδήποτε.)");
}

QString cutShortQuestion(const QDateTime &started, std::int64_t held)
{
    const QString when = started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return tx("The last synchronization of these two folders, started ", "Ο τελευταίος συγχρονισμός αυτών των δύο φακέλλων, που ξεκίνησε ")
           + when
           + tx(", was cut short (the program or the computer stopped, or a disk was removed). Its undo data takes ",
                ", διακόπηκε απότομα (σταμάτησε το πρόγραμμα ή ο υπολογιστής, ή αφαιρέθηκε ένας δίσκος). Τα δεδομένα αναίρεσής του καταλαμβάνουν ")
           + bytes(held) + QStringLiteral(".\r\n\r\n")
           + tx("Undo what it did before this run starts? (No keeps its result.)",
                "Να αναιρεθεί ό,τι έκανε, πριν αρχίσει ο νέος συγχρονισμός; (Με το «Όχι» το αποτέλεσμά του μένει.)");
}

QString undoStoppedRunQuestion(std::int64_t held)
{
    return tx("The synchronization stopped after it had changed your folders. Its undo data takes ",
              "Ο συγχρονισμός σταμάτησε αφού είχε αλλάξει τους φακέλλους σας. Τα δεδομένα αναίρεσής του καταλαμβάνουν ")
           + bytes(held) + QStringLiteral(".\r\n\r\n")
           + tx("Undo what it did, so that both folders are as they were before it?",
                "Να αναιρεθεί ό,τι έκανε, ώστε και οι δύο φάκελλοι να είναι όπως πριν από αυτόν;");
}

QString undoTitle() { return tx("Undo the synchronization", "Αναίρεση του συγχρονισμού"); }

QString undoneText(bool complete, std::size_t skipped)
{
    if (!complete)
        return tx("Undo stopped before its end; undo again to finish it.",
                  "Η αναίρεση σταμάτησε πριν από το τέλος της· αναιρέστε ξανά για να ολοκληρωθεί.");
    if (skipped == 0)
        return tx("The run was undone: both folders are as they were before it.",
                  "Ο συγχρονισμός αναιρέθηκε: και οι δύο φάκελλοι είναι όπως πριν από αυτόν.");
    return tx("The run was undone, except for the items listed as skipped.",
              "Ο συγχρονισμός αναιρέθηκε, εκτός από τα στοιχεία που αναφέρονται ως παραλειφθέντα.");
}

} // namespace RunText
