#pragma once

#include "engine/settings/AppState.h"

#include <QChar>
#include <QString>
#include <cstdint>

// The rules behind the options window, free of widgets so the run and the tests
// can use them as they are.
namespace OptionRules {

// ---- Stored texts -------------------------------------------------------

// Two encodings of a clear flag live side by side in the file.
inline QString flagOneTwo(bool set) { return set ? QStringLiteral("1") : QStringLiteral("2"); }
inline QString flagOneZero(bool set) { return set ? QStringLiteral("1") : QStringLiteral("0"); }

// ---- The five numeric fields ---------------------------------------------

enum class Field { Days, Hours, Minutes, Seconds, Levels };

struct FieldRule {
    int maximum;
    int longest;        // characters
    bool outOfRangeZero; // out of range gives "0"; otherwise the text is emptied
};
FieldRule rule(Field field);

// Whether a typed character is taken: digits and backspace. Anything else is
// dropped with a beep.
bool acceptsTypedCharacter(QChar c);

// The field's value, or -1 when the text is no number. Only plain ASCII digits
// count: a sign, a blank or a decimal point can only come from pasting.
int textValue(const QString &text);

// The text after a change: the same text, or its replacement when it is out of
// range. An empty text stays empty.
QString afterChange(Field field, const QString &text);

// The text when the field loses the focus.
QString afterLeaving(const QString &text);

// The text after one step of the up-down control (delta +1 or -1); an empty or
// invalid text counts as 0.
QString stepped(Field field, const QString &text, int delta);

// ---- Which controls are enabled ------------------------------------------

struct ControlStates {
    bool deleteEmptyFolders;
    bool deleteOnCancel;
    bool identicalFiles;
    // The exactly/less-than choice and the four tolerance fields with their
    // labels and up-down controls.
    bool dateTimeStamp;
    // The WhenFileExists choices say that files within the tolerance are left out.
    bool extendedCaptions;

    bool operator==(const ControlStates &) const = default;
};
ControlStates controlStates(bool swapItems, bool excludeFilesFromSwapping);

// ---- Tolerance and the swap-exclusion test --------------------------------

std::int64_t toleranceSeconds(const Options &options);

// A modification time as stat() reports it (st_mtim). Kept as whole seconds and
// nanoseconds rather than QDateTime: QDateTime stops at milliseconds and its
// seconds truncate towards zero before 1970, which would move a boundary.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

// The number of whole-second boundaries between the two stamps.
std::uint64_t secondBoundariesBetween(FileTime a, FileTime b);

// Whether a file present on both sides is left out of a swap.
bool excludedFromSwap(const Options &options, std::int64_t toleranceSeconds, FileTime left,
                      FileTime right);

// ---- Case sensitivity --------------------------------------------------------

QString caseSensitivityTitle();
QString caseSensitivityPrompt(bool nowSet);

// ---- Confirming --------------------------------------------------------------

// The state of the window's controls when OK is pressed.
struct OptionsInput {
    int WhichItemsToCopy = 5;
    int WhenFileExists = 1;
    bool CopyStructureOnly = false;
    bool DeleteEmptyFolders = false;
    bool DeleteOnCancel = true;
    bool SwapItems = false;
    bool ExcludeFilesFromSwapping = false;
    bool Exactly = false;
    QString Days = QStringLiteral("0");
    QString Hours = QStringLiteral("0");
    QString Minutes = QStringLiteral("0");
    QString Seconds = QStringLiteral("0");
    bool FinalSelection = false;
    bool CaseSensitive = false;
    bool ShowOptions = true;
    QString Levels = QStringLiteral("0");
};

// Writes all sixteen keys, each followed by its field of App().OptionValues.
// CaseSensitive is written and kept as the next start's choice: the running
// program keeps the case rule it started with.
void storeOptions(const OptionsInput &input);

} // namespace OptionRules
