#pragma once

#include "ui/common/SecondaryWindow.h"
#include "engine/options/OptionRules.h"

#include <QVector>

class QGroupBox;
class QLabel;
class QPushButton;
class NumberBox;
class TwipsLayout;
class UpDown;
class WrapCheckBox;
class WrapRadioButton;

// Views and edits App().OptionValues. OK stores all of them in the settings
// file; Cancel forgets every change. Control arrays are named with their index:
// "optWhichItemsToCopy_0" .. "_4".
class frmOptions : public SecondaryWindow {
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);

    // Opens the window and waits for it; returns whether OK stored the options.
    static bool editOptions(QWidget *parent = nullptr);

    QGroupBox *fraGeneralOptions = nullptr;
    WrapCheckBox *chkCaseSensitive = nullptr;
    WrapCheckBox *chkCopyStructureOnly = nullptr;
    WrapCheckBox *chkFinalSelection = nullptr;
    WrapCheckBox *chkDeleteEmptyFolders = nullptr;
    WrapCheckBox *chkDeleteOnCancel = nullptr;
    WrapCheckBox *chkSwapItems = nullptr;
    WrapCheckBox *chkIdenticalFiles = nullptr;
    WrapRadioButton *optFileDateTimeStamp[2] = {}; // exactly equal, less than
    QLabel *lblDays = nullptr;
    QLabel *lblHours = nullptr;
    QLabel *lblMinutes = nullptr;
    QLabel *lblSeconds = nullptr;
    NumberBox *txtDays = nullptr;
    NumberBox *txtHours = nullptr;
    NumberBox *txtMinutes = nullptr;
    NumberBox *txtSeconds = nullptr;
    UpDown *updDays = nullptr;
    UpDown *updHours = nullptr;
    UpDown *updMinutes = nullptr;
    UpDown *updSeconds = nullptr;

    QGroupBox *fraWhichItemsToCopy = nullptr;
    WrapRadioButton *optWhichItemsToCopy[5] = {};

    QGroupBox *fraWhenFileExists = nullptr;
    WrapRadioButton *optWhenFileExists[3] = {};

    WrapCheckBox *chkShowOptions = nullptr;
    QGroupBox *fraLevels = nullptr;
    QPushButton *cmdAll = nullptr;
    NumberBox *txtLevels = nullptr;
    UpDown *updLevels = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdOK = nullptr;

    // The smallest enlargement of the design size at which every caption of
    // either language fits; the window opens at it.
    double captionScale() const { return m_scale; }

public slots:
    void chkSwapItems_Click();
    void chkIdenticalFiles_Click();
    void chkCaseSensitive_Click();
    void cmdAll_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    struct Caption {
        QWidget *control;
        const char *english;
        const char *greek;
    };

    void build();
    void setKeyboardOrder();
    void load();
    void setCaptions();
    void setWhenFileExistsCaptions(bool extended);
    void applyControlStates();
    OptionRules::OptionsInput input() const;
    double fittingScale() const;

    QVector<Caption> m_captions;
    TwipsLayout *m_layout = nullptr;
    TwipsLayout *m_levelsLayout = nullptr;
    double m_scale = 1.0;
};
