#pragma once

#include <QString>
#include <cstdint>

// The option values, one field per settings key.
struct Options {
    int WhichItemsToCopy = 5;
    int WhenFileExists = 1;
    bool CopyStructureOnly = false;
    bool DeleteEmptyFolders = false;
    bool DeleteOnCancel = true;
    bool SwapItems = false;
    bool ExcludeFilesFromSwapping = false;
    bool Exactly = false;
    int Days = 0;
    int Hours = 0;
    int Minutes = 0;
    int Seconds = 0;
    bool FinalSelection = false;
    bool CaseSensitive = false;
    bool ShowOptions = true;
    int Levels = 0; // 0 = all levels

    bool operator==(const Options &) const = default;
};

// One switch per reminder, numbered 1..5 in this order; set = still shown.
struct Reminders {
    bool Options = true;
    bool Target = true;
    bool Manual = true;
    bool Common = true;
    bool Swapping = true;

    bool operator==(const Reminders &) const = default;
    bool &operator[](int number); // 1..5
};

enum Side : int { Left = 0, Right = 1 };

// Colours as stored: 0x00BBGGRR.
constexpr std::uint32_t LeftSideColor = 0x00C0E0FF;  // light orange
constexpr std::uint32_t RightSideColor = 0x00FFFFC0; // light cyan

// The process-wide state every part of the program reads.
struct AppState {
    Options OptionValues;
    // The stored case choice, which the next start will use; OptionValues keeps
    // the one read at this start, and every run until the restart uses that.
    bool CaseSensitiveAtNextStart = false;
    Reminders ReminderSwitches;
    int CurrentReminder = 1;
    bool LanguageIsGreek = true;
    QString MessageTitle; // empty until the first language switch
    QString AuthorName;

    QString SettingsFolder;
    QString DataFolder;
    QString SettingsFilePath;
    QString GreekHelpFilePath;
    QString EnglishHelpFilePath;
    QString HelpFilePath; // the current language's
    QString SavedPathsFile[2];
    QString InitialPath[2];
    std::uint32_t SideColor[2] = {LeftSideColor, RightSideColor};
    QString TargetFolderPath;
    int RecallSide = 0;
    QString RecalledPath[2];
};

AppState &App();
// Back to the state of a program that has not started yet.
void resetAppState();
