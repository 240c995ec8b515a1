#pragma once

#include "ui/common/SecondaryWindow.h"
#include "engine/run/RunHost.h"

#include <array>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// Lets the user take the final decision on the entries each side offers: the
// entries left selected when OK is pressed are the ones synchronized.
// Per-side controls are named with the side: "lstSelectItems_0".
class frmFinalSelection : public SecondaryWindow {
    Q_OBJECT
public:
    // sides: what each side offers; OK fills their `selected`. A side with no
    // root path or no entries stays disabled.
    explicit frmFinalSelection(ManualSelectionSide sides[2], QWidget *parent = nullptr);

    // Opens the window and waits until the user pressed OK.
    static void select(ManualSelectionSide sides[2], QWidget *parent = nullptr);

    // One flag per row of the side's list.
    std::vector<bool> selectedRows(int side) const;

    QLabel *lblStartPoint[2] = {};
    QListWidget *lstSelectItems[2] = {};
    QPushButton *cmdSelectAll[2] = {};
    QPushButton *cmdSelectNone[2] = {};
    QPushButton *cmdReverseSelection[2] = {};
    QPushButton *cmdAll = nullptr;
    QPushButton *cmdOK = nullptr;

public slots:
    void cmdSelectAll_Click(int side);
    void cmdSelectNone_Click(int side);
    void cmdReverseSelection_Click(int side);
    void cmdAll_Click();
    void cmdOK_Click();

private:
    enum class Change { All, None, Reverse };
    void load();
    void fill(int side);
    void change(int side, Change how);
    void enableButtons(bool enabled);
    std::array<QWidget *, 5> sideControls(int side) const;

    ManualSelectionSide *m_sides;
};
