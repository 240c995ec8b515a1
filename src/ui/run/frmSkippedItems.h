#pragma once

#include "ui/common/SecondaryWindow.h"
#include "engine/run/SkippedItems.h"

#include <QString>
#include <QStringList>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// What the synchronization window knows at the end of a run about what the
// run could not do.
struct SkippedItemsReport {
    std::vector<SkippedItem> items;
    QString listFile;         // where the whole list was to be written
    bool listWritten = false;
    bool stopped = false;     // the run was interrupted before its end
    QStringList notices;      // shown here only when the run window closes at once
};

// The notices of a run, one a line, as people may see them.
QString shownNotices(const QStringList &notices);

// Lists the first hundred skipped items with their reasons, says how many
// there are in all and names the file that holds the whole list.
class frmSkippedItems : public SecondaryWindow {
    Q_OBJECT
public:
    // A window of tens of thousands of lines helps nobody; the file has them all.
    static constexpr int ShownItems = 100;

    explicit frmSkippedItems(const SkippedItemsReport &report, QWidget *parent = nullptr);

    // Opens the window and waits until OK is pressed.
    static void showReport(const SkippedItemsReport &report, QWidget *parent = nullptr);

    QLabel *lblCount = nullptr;
    QListWidget *lstSkipped = nullptr;
    QLabel *lblListFile = nullptr;
    QLabel *lblNotices = nullptr;
    QPushButton *cmdOK = nullptr;

private:
    void load(const SkippedItemsReport &report);
};
