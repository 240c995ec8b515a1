#pragma once

#include "engine/paths/PathHelpers.h"
#include "engine/fs/FileNames.h"
#include "engine/run/SyncRun.h"
#include "AppFixture.h"
#include "FakeHost.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

// Two source folders and the one root that holds the target folders, for the
// tests of a run and of its steps: English texts, swap mode until a test says otherwise.
class RunFixture : public AppFixture {
protected:
    static constexpr std::int64_t kBase = 1'700'000'000; // stamps count from here
    QString left = tmp.filePath("left"), right = tmp.filePath("right"), targets = tmp.filePath("targets");
    QString target = targets + "/T"; // what the target window gives, made on the way
    QString skipped;                 // "path reason" of each skipped item of the last run(), a line each
    FakeHost host;
    RunInputs in;

    void SetUp() override
    {
        AppFixture::SetUp();
        App().OptionValues.SwapItems = true;
        for (const QString &d : {left, right, targets})
            QDir().mkpath(d);
        in.SourcePath[0] = left;
        in.SourcePath[1] = right;
        Roots::setProvider([t = targets] { return QStringList{t}; });
        host.chooseTarget = [this] {
            QDir().mkpath(target);
            return target;
        };
    }
    void TearDown() override
    {
        Roots::setProvider(nullptr);
        AppFixture::TearDown();
    }
    // A whole run, closed as the window closes a stopped one.
    SyncRun::Outcome run(bool swap, int choice = 5, bool readAhead = true)
    {
        App().OptionValues.SwapItems = swap;
        App().OptionValues.WhichItemsToCopy = choice;
        SyncRun r(host, in);
        r.readAhead = readAhead;
        const SyncRun::Outcome o = r.run();
        if (o != SyncRun::Outcome::Finished)
            r.close();
        skipped = lines(r.Skipped);
        return o;
    }
    // A file with its folders, stamped in whole seconds after kBase.
    static void file(const QString &path, const QByteArray &data = "x", std::int64_t at = 0, mode_t mode = 0644)
    {
        makeFile(FileNames::toBytes(path), data, kBase + at);
        ::chmod(FileNames::toBytes(path).constData(), mode);
    }
    // Files below root, as relative path -> content.
    static void files(const QString &root, const QMap<QByteArray, QByteArray> &t, std::int64_t at = 0)
    {
        for (auto it = t.begin(); it != t.end(); ++it)
            file(root + "/" + QString::fromUtf8(it.key()), it.value(), at);
    }
    static QMap<QByteArray, QByteArray> tree(const QString &root) { return bytesTree(FileNames::toBytes(root)); }
    // "path reason" of each skipped item, a line each.
    static QString lines(const SkippedItems &skipped)
    {
        const char *const reasons[] = {"unreadable", "clash", "cannot hold", "refused", "changed", "not a folder", "special",
                                      "changed after the run", "old version gone", "not empty", "not undone"};
        QString text;
        for (const SkippedItem &item : skipped.items())
            text += item.path + " " + reasons[int(item.reason)] + "\n";
        return text;
    }
};
using Tree = QMap<QByteArray, QByteArray>;
