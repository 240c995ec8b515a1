#include "engine/run/SkippedItems.h"

#include "engine/settings/AppState.h"
#include "engine/settings/Texts.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"

void SkippedItems::add(const QString &path, SkipReason reason, const QString &detail)
{
    const std::lock_guard lock(m_mutex);
    m_items.push_back({path, reason, detail});
}

std::vector<SkippedItem> SkippedItems::items() const
{
    const std::lock_guard lock(m_mutex);
    return m_items;
}

std::size_t SkippedItems::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_items.size();
}

void SkippedItems::clear()
{
    const std::lock_guard lock(m_mutex);
    m_items.clear();
}

QString SkippedItems::reasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::Unreadable:
        return tx("could not be read", "δεν ήταν δυνατόν να διαβασθεί");
    case SkipReason::CaseClash:
        return tx("another item differs only in letter case",
                  "ένα άλλο στοιχείο διαφέρει μόνο στα πεζά και κεφαλαία γράμματα");
    case SkipReason::CannotHold:
        return tx("the destination cannot hold this name or item",
                  "ο προορισμός δεν μπορεί να δεχθεί αυτό το όνομα ή στοιχείο");
    case SkipReason::AccessRefused:
        return tx("the destination refused the write (error 75)",
                  "ο προορισμός αρνήθηκε την εγγραφή (λάθος 75)");
    case SkipReason::Changed:
        return tx("the file changed during the run", "το αρχείο άλλαξε κατά τη διάρκεια του συγχρονισμού");
    case SkipReason::NotAFolder:
        return tx("a symbolic link or a file stands where a folder was expected; nothing behind it was touched",
                  "στη θέση ενός φακέλλου βρίσκεται συμβολικός σύνδεσμος ή αρχείο· τίποτε πίσω από αυτόν δεν αγγίχθηκε");
    case SkipReason::SpecialFile:
        return tx("a FIFO, socket or device stands at the destination; it was left as it was",
                  "στον προορισμό βρίσκεται FIFO, υποδοχή ή συσκευή· αφέθηκε όπως ήταν");
    case SkipReason::ChangedAfterRun:
        return tx("changed after the run: kept as it is (its old version, if any, stays held)",
                  "άλλαξε μετά το συγχρονισμό: κρατήθηκε ως έχει (η παλιά του μορφή, αν υπάρχει, μένει φυλαγμένη)");
    case SkipReason::OldVersionGone:
        return tx("its old version is no longer in the undo folder: kept as it is",
                  "η παλιά του μορφή δεν βρίσκεται πια στο φάκελλο αναίρεσης: κρατήθηκε ως έχει");
    case SkipReason::NotEmptyAfterRun:
        return tx("a folder the run made holds other items now: kept",
                  "φάκελλος που δημιούργησε ο συγχρονισμός περιέχει τώρα άλλα στοιχεία: κρατήθηκε");
    case SkipReason::NotUndone:
        return tx("could not be put back", "δεν ήταν δυνατόν να επανέλθει");
    }
    return QString();
}

QString SkippedItems::line(const SkippedItem &item)
{
    QString text = FileNames::shown(item.path) + QStringLiteral(": ") + reasonText(item.reason);
    if (!item.detail.isEmpty())
        text += QStringLiteral(" (") + FileNames::shown(item.detail) + QLatin1Char(')');
    return text;
}

QString SkippedItems::countText(std::size_t count)
{
    const QString n = QString::number(count);
    if (count == 1)
        return tx("1 item was skipped.", "1 στοιχείο παραλείφθηκε.");
    return App().LanguageIsGreek ? n + QStringLiteral(" στοιχεία παραλείφθηκαν.")
                                 : n + QStringLiteral(" items were skipped.");
}

QString SkippedItems::listFilePath()
{
    const QString settings = App().SettingsFilePath;
    const qsizetype slash = settings.lastIndexOf(QLatin1Char('/'));
    return (slash < 0 ? QString() : settings.left(slash + 1)) + QStringLiteral("SkippedItems.txt");
}

bool SkippedItems::writeTo(const QString &file) const
{
    QByteArray content;
    for (const SkippedItem &item : items()) {
        QString text = FileNames::escaped(item.path) + QStringLiteral(": ") + reasonText(item.reason);
        if (!item.detail.isEmpty())
            text += QStringLiteral(" (") + FileNames::escaped(item.detail) + QLatin1Char(')');
        content += text.toUtf8() + '\n';
    }
    try {
        FileOps::replaceFile(file, content); // a reader never sees half a list
        return true;
    } catch (const AppError &) {
        return false;
    }
}
