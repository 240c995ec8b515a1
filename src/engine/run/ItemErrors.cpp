#include "engine/run/ItemErrors.h"

#include <cerrno>

namespace ItemErrors {

namespace {

bool refused(const AppError &e) { return e.number() == ErrorCode::PathFileAccess; }

bool notAFolder(int err) { return err == ELOOP || err == ENOTDIR; }

} // namespace

void skipOrStop(SkippedItems &skipped, const QString &source, FileOps::Tree &to, const QString &destRel,
                const AppError &e)
{
    const QString destination = to.pathOf(destRel);
    const int err = e.systemError();
    const bool reading = dynamic_cast<const SourceError *>(&e) != nullptr;
    if (dynamic_cast<const FileOps::ChangedSinceLooked *>(&e)) {
        skipped.add(destination, SkipReason::Changed);
        return;
    }
    if (dynamic_cast<const FileOps::CannotHold *>(&e)) {
        skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (notAFolder(err)) {
        // A link or a file where a folder belongs: nothing behind it is touched.
        skipped.add(reading ? source : destination, SkipReason::NotAFolder, systemText(err));
        return;
    }
    if (reading) {
        // Gone since step 1, or not ours to read: the rest of the run goes on.
        skipped.add(source, err == ENOENT ? SkipReason::Changed : SkipReason::Unreadable, systemText(err));
        return;
    }
    if (err == EEXIST) {
        // Something took the name since we looked, or the disk folds two names
        // we tell apart: its listing tells which.
        const qsizetype slash = destRel.lastIndexOf(QLatin1Char('/'));
        const bool there = to.listsName(slash < 0 ? QString() : destRel.left(slash), destRel.mid(slash + 1));
        skipped.add(there ? destination : source, there ? SkipReason::Changed : SkipReason::CaseClash);
        return;
    }
    if (err == EILSEQ || err == EINVAL || err == ENAMETOOLONG) {
        skipped.add(source, SkipReason::CannotHold, systemText(err));
        return;
    }
    if (refused(e)) {
        skipped.add(destination, SkipReason::AccessRefused, err ? systemText(err) : QString());
        return;
    }
    throw e;
}

bool folderStays(const AppError &e)
{
    return refused(e) || notAFolder(e.systemError()) || e.systemError() == ENOENT;
}

} // namespace ItemErrors
