#pragma once

#include "ui/common/SecondaryWindow.h"
#include "engine/run/RunHost.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TwipsLayout;

// Asks which of two versions of a file present in both folders is copied:
// the upper (0), the lower (1) or neither (-1). The option buttons set the
// rule for the remaining files of the run (1 newer, 2 older, 3 ask, 4 nothing);
// whatever is selected when the window is asked to close becomes that rule.
class frmSelectFile : public SecondaryWindow {
    Q_OBJECT
public:
    frmSelectFile(const FileChoiceFile &upper, const FileChoiceFile &lower, int remainingChoice,
                  QWidget *parent = nullptr);

    // Opens the window and waits for it; returns the answer and leaves the
    // rule the user selected in remainingChoice.
    static int choose(const FileChoiceFile &upper, const FileChoiceFile &lower, int &remainingChoice,
                      QWidget *parent = nullptr);

    // The close guard of every secondary window, after which the selected rule
    // is taken, whether the close is allowed or not.
    bool allowClose(CloseReason reason);

    int fileChoice() const { return m_fileChoice; }
    int remainingChoice() const { return m_remainingChoice; }

    QLabel *lblName[2] = {};
    QLabel *lblSize[2] = {};
    QLabel *lblDate[2] = {};
    QPushButton *cmdCopy[2] = {};
    QPushButton *cmdDoNotCopy = nullptr;
    QGroupBox *fraTempOptions = nullptr;
    QRadioButton *optTempOptions[4] = {};

public slots:
    void cmdCopy_Click(int index);
    void cmdDoNotCopy_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void load(const FileChoiceFile &upper, const FileChoiceFile &lower);
    void takeRemainingChoice();
    double fittingScale() const;

    TwipsLayout *m_layout = nullptr;
    int m_fileChoice = -1;
    int m_remainingChoice = 3;
};
