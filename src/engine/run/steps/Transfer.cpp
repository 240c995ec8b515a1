// Step 5: each side's items copied (copy mode, into the target) or given to the
// other side (swap mode); what cannot be written is reported and skipped.
#include "engine/run/SyncRun.h"
#include "engine/run/steps/StepTools.h"

#include "engine/fs/FileNames.h"
#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"
#include "engine/settings/MessageService.h"
#include "engine/settings/Texts.h"

#include <cerrno>

using StepTools::parentOf;

bool SyncRun::insideSkipped(const QString &destination) const
{
    if (m_skippedFolders.isEmpty())
        return false;
    for (qsizetype end = destination.lastIndexOf(QLatin1Char('/')); end > 0;
         end = destination.lastIndexOf(QLatin1Char('/'), end - 1))
        if (m_skippedFolders.contains(destination.left(end)))
            return true;
    return false;
}

void SyncRun::removeLeftovers(FileOps::Tree &to, const QString &relFolder)
{
    // A copy's target is new: only the run writes there.
    if (!m_options.SwapItems || m_cleanedFolders.contains(to.pathOf(relFolder)))
        return;
    m_cleanedFolders.insert(to.pathOf(relFolder));
    m_leftoversRemoved += to.removeLeftovers(relFolder);
}

void SyncRun::skipOrStop(const QString &source, FileOps::Tree &to, const QString &destRel, const AppError &e)
{
    const QString destination = to.pathOf(destRel);
    const int err = e.systemError();
    const bool reading = dynamic_cast<const SourceError *>(&e) != nullptr;
    if (dynamic_cast<const FileOps::ChangedSinceLooked *>(&e)) {
        Skipped.add(destination, SkipReason::Changed);
        return;
    }
    if (dynamic_cast<const FileOps::CannotHold *>(&e)) {
        Skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (err == ELOOP || err == ENOTDIR) {
        // A link or a file where a folder belongs: nothing behind it is touched.
        Skipped.add(reading ? source : destination, SkipReason::NotAFolder, systemText(err));
        return;
    }
    if (reading) {
        // Gone since step 1, or not ours to read: the rest of the run goes on.
        Skipped.add(source, err == ENOENT ? SkipReason::Changed : SkipReason::Unreadable, systemText(err));
        return;
    }
    if (err == EEXIST) {
        // Something took the name since we looked, or the disk folds two names
        // we tell apart: its listing tells which.
        const qsizetype slash = destRel.lastIndexOf(QLatin1Char('/'));
        const bool there = to.listsName(slash < 0 ? QString() : destRel.left(slash), destRel.mid(slash + 1));
        Skipped.add(there ? destination : source, there ? SkipReason::Changed : SkipReason::CaseClash);
        return;
    }
    if (err == EILSEQ || err == EINVAL || err == ENAMETOOLONG) {
        Skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (e.number() == ErrorCode::PathFileAccess) {
        Skipped.add(destination, SkipReason::AccessRefused, err ? systemText(err) : QString());
        return;
    }
    throw e;
}

bool SyncRun::transferItems(bool *conflict)
{
    const Options &o = m_options;
    m_host.stepTitle(RunText::stepTitle(5, o.SwapItems));
    resetProgress();
    for (int side = 0; side < 2; ++side) {
        lstFilteredItems[side].entries.clear();
        Counters[side].resetKept();
    }
    m_folded = std::make_unique<FileOps::FoldedNames>();
    m_skippedFolders.clear();
    for (int side = FirstSide; side <= LastSide; ++side)
        leaveOutWhatCannotBeHeld(side);
    for (int side = FirstSide; side <= LastSide; ++side)
        if (!transferSide(side, conflict))
            return false;
    if (m_leftoversRemoved > 0)
        m_host.notice(RunText::leftoversRemoved(m_leftoversRemoved));
    resetProgress();
    return true;
}

void SyncRun::leaveOutWhatCannotBeHeld(int side)
{
    const Volumes::Info &disk = m_disk[m_options.SwapItems ? 1 - side : 2];
    if (disk.holdsLinks && !disk.windowsNames && disk.maxFileSize == INT64_MAX)
        return;
    const QString theDisk = disk.type.isEmpty() ? tx("this disk", "ο δίσκος αυτός")
                                                : tx("a disk of type ", "ένας δίσκος τύπου ") + disk.type;
    FileOps::Tree &from = tree(side);
    std::vector<QString> &entries = lstItems[side].entries;
    QSet<QString> reported; // folders whose names the disk refuses, with all inside them
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        const QString rel = ItemList::relativePath(entry);
        QString culprit, why;
        if (disk.windowsNames) {
            // The destination's spelling differs from the source's in letter case at most.
            const QStringList names = destinationOf(side, entry).split(QLatin1Char('/'));
            for (qsizetype k = 0; k < names.size() && why.isEmpty(); ++k)
                if (Volumes::forbiddenOnWindowsDisks(names[k])) {
                    culprit = rel.section(QLatin1Char('/'), 0, int(k));
                    why = tx("%1 allows none of : * ? \" < > | \\ in a name, nor a name that ends in a dot or a blank",
                             "%1 δεν επιτρέπει κανένα από τα : * ? \" < > | \\ σε όνομα, ούτε όνομα που τελειώνει σε τελεία ή κενό");
                }
        }
        if (why.isEmpty() && !ItemList::isFolder(entry)) {
            culprit = rel;
            try {
                if (!disk.holdsLinks && from.kind(rel) == FileOps::Kind::Link)
                    why = tx("%1 has no symbolic links", "%1 δεν έχει συμβολικούς συνδέσμους");
                else if (knownSize(side, entry) > disk.maxFileSize)
                    why = tx("%1 holds no file of 4 GiB or more", "%1 δεν δέχεται αρχεία 4 GiB ή μεγαλύτερα");
            } catch (const AppError &) {
                // step 5 meets it again and reports it
            }
        }
        if (why.isEmpty()) {
            if (kept != i)
                entries[kept] = std::move(entries[i]);
            ++kept;
            continue;
        }
        if (!reported.contains(culprit)) {
            reported.insert(culprit);
            Skipped.add(from.pathOf(culprit), SkipReason::CannotHold, why.arg(theDisk));
        }
    }
    entries.resize(kept);
}

bool SyncRun::transferSide(int side, bool *conflict)
{
    const Options &o = m_options;
    const ItemList &list = lstItems[side];
    SideCounters &c = Counters[side];
    FileOps::Tree &from = tree(side);
    FileOps::Tree &to = tree(o.SwapItems ? 1 - side : 2);
    // A run of one side never listed the other: there, an entry whose name
    // differs only in case is the same item, as long as it is the only one.
    const bool adoptVariant = FirstSide == LastSide;
    // Where step 1 read the destination, a file it did not see there is one
    // that came after: never replaced unseen.
    const bool destinationRead = o.SwapItems && FirstSide != LastSide;
    resetProgress();
    const std::int64_t last = std::int64_t(list.size()) - 1;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (stopNow())
                return false;
            const QString &entry = list.entries[i];
            const bool folder = ItemList::isFolder(entry);
            if (folder != (pass == 0))
                continue;
            const QString rel = ItemList::relativePath(entry);
            const QString source = from.pathOf(rel);
            QString destRel = destinationOf(side, entry);
            if (insideSkipped(to.pathOf(destRel)))
                continue; // reported with its folder
            auto done = [&] {
                showPath(side, source, QString());
                showProgress(std::int64_t(i), last);
            };
            // What cannot be written is skipped and reported; the run goes on.
            auto attempt = [&](auto &&operation) {
                try {
                    operation();
                    return true;
                } catch (const AppError &e) {
                    skipOrStop(source, to, destRel, e);
                    if (folder)
                        m_skippedFolders.insert(to.pathOf(destRel));
                    return false;
                }
            };
            if (m_foldNames) {
                // Never a second spelling beside one the run did not pair with.
                bool clash = false;
                destRel = m_folded->resolve(to, destRel, adoptVariant, &clash);
                if (clash) {
                    if (!m_skippedFolders.contains(to.pathOf(destRel))) {
                        m_skippedFolders.insert(to.pathOf(destRel));
                        Skipped.add(source, SkipReason::CaseClash);
                    }
                    continue;
                }
            }
            const QString destination = to.pathOf(destRel);
            FileOps::Kind there = FileOps::Kind::Missing;
            if (!attempt([&] { there = to.kind(destRel); }))
                continue;
            if (there == FileOps::Kind::Other) {
                // Never opened nor replaced; a file still counts as step 5's, as one refused does.
                Skipped.add(destination, SkipReason::SpecialFile);
                if (folder) {
                    m_skippedFolders.insert(destination);
                } else {
                    ++c.FilesKept;
                    c.BytesKept += knownSize(side, entry);
                }
                done();
                continue;
            }
            FileOps::Replace how = FileOps::Replace::No;
            FileOps::Stamp expected;
            bool skipCopy = false;
            if (there != FileOps::Kind::Missing && o.SwapItems) {
                if (folder) {
                    if (there != FileOps::Kind::Folder) {
                        Skipped.add(destination, SkipReason::NotAFolder);
                        m_skippedFolders.insert(destination);
                    }
                    done();
                    continue;
                }
                // Never overwrite a file that changed after it was looked at:
                // looked at again right before the rename.
                const auto seen = collected[1 - side].constFind(QLatin1Char('-') + destRel);
                if (seen != collected[1 - side].constEnd()) {
                    how = FileOps::Replace::IfUnchanged;
                    expected = *seen;
                } else if (destinationRead && there != FileOps::Kind::Folder) {
                    skipCopy = true;
                    Skipped.add(destination, SkipReason::Changed);
                } else {
                    how = FileOps::Replace::Yes;
                }
            } else if (there != FileOps::Kind::Missing) {
                *conflict = true;
                const QString shown = FileNames::shown(source);
                const QString prompt =
                    App().LanguageIsGreek
                        ? QStringLiteral("Το στοιχείο «") + shown + QStringLiteral("», υπάρχει ήδη στον προορισμό.")
                              + kBlankLine
                              + QStringLiteral("Αυτό συμβαίνει είτε διότι υπάρχει κάποιο εσωτερικό λάθος στην εφαρμογή, ή διότι έχετε ζητήσει να γίνεται διαχωρισμός ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των στοιχείων, αλλά το λειτουργικό σύστημα ΔΕΝ ΥΠΟΣΤΗΡΙΖΕΙ αυτή τη λειτουργία.")
                              + kBlankLine + QStringLiteral("Η ΔΙΑΔΙΚΑΣΙΑ ΤΟΥ ΣΥΓΧΡΟΝΙΣΜΟΥ ΘΑ ΔΙΑΚΟΠΕΙ.")
                        : QStringLiteral("Item '") + shown + QStringLiteral("', already exists in the target.")
                              + kBlankLine
                              + QStringLiteral("This happens either because there is an internal error in the application, or because you have asked from the application to distinguish between upper and lower case letters in item names, but the operating system DOES NOT SUPPORT this function.")
                              + kBlankLine + QStringLiteral("THE SYNCHRONIZATION PROCESS WILL BE INTERRUPTED.");
                MsgBox(prompt, Msg::Critical | Msg::OkOnly,
                       tx("Unsupported function or internal error", "Μη υποστηριζόμενη λειτουργία ή εσωτερικό λάθος"));
                return false;
            }
            removeLeftovers(to, parentOf(destRel));
            if (folder) {
                ++c.FoldersKept;
                attempt([&] {
                    to.folder(parentOf(destRel), true);
                    to.createFolder(destRel);
                    if (m_foldNames)
                        m_folded->noteCreated(to, destRel);
                });
            } else {
                ++c.FilesKept;
                c.BytesKept += knownSize(side, entry);
                if (stopNow())
                    return false;
                if (!skipCopy) {
                    bool copied = true;
                    attempt([&] {
                        to.folder(parentOf(destRel), true);
                        copied = FileOps::copyFile(from, rel, to, destRel, how, expected, [this] { return !stopNow(); });
                        if (m_foldNames)
                            m_folded->noteCreated(to, destRel);
                    });
                    if (!copied || stopNow())
                        return false;
                }
            }
            done();
        }
    }
    m_host.showPath(side, QString());
    m_host.stepCounters(5, side, c);
    return true;
}
