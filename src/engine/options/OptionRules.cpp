#include "engine/options/OptionRules.h"

#include "engine/settings/Settings.h"
#include "engine/settings/Texts.h"

#include <algorithm>

namespace OptionRules {

FieldRule rule(Field field)
{
    switch (field) {
    case Field::Days: return {999, 3, true};
    case Field::Hours: return {23, 2, false};
    case Field::Minutes: return {59, 2, false};
    case Field::Seconds: return {59, 2, false};
    case Field::Levels: return {9999, 4, true};
    }
    return {0, 0, true};
}

bool acceptsTypedCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QChar(8);
}

int textValue(const QString &text)
{
    if (text.isEmpty())
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
        if (value > 32767) // beyond a 16-bit number: no number at all
            return -1;
    }
    return value;
}

QString afterChange(Field field, const QString &text)
{
    if (text.isEmpty())
        return text;
    const FieldRule r = rule(field);
    const int v = textValue(text);
    if (v >= 0 && v <= r.maximum)
        return text;
    return r.outOfRangeZero ? QStringLiteral("0") : QString();
}

QString afterLeaving(const QString &text) { return text.isEmpty() ? QStringLiteral("0") : text; }

QString stepped(Field field, const QString &text, int delta)
{
    const int v = std::max(textValue(text), 0);
    return QString::number(std::clamp(v + delta, 0, rule(field).maximum));
}

ControlStates controlStates(bool swapItems, bool excludeFilesFromSwapping)
{
    const bool tolerance = swapItems && excludeFilesFromSwapping;
    return {!swapItems, !swapItems, swapItems, tolerance, tolerance};
}

std::int64_t toleranceSeconds(const Options &o)
{
    return std::int64_t(o.Days) * 86400 + std::int64_t(o.Hours) * 3600
           + std::int64_t(o.Minutes) * 60 + std::int64_t(o.Seconds);
}

namespace {
// The second a stamp falls in; nanoseconds outside 0..999999999 carry over.
std::int64_t secondOf(FileTime t)
{
    constexpr std::int64_t billion = 1000000000;
    std::int64_t carry = t.nanoseconds / billion;
    if (t.nanoseconds % billion < 0)
        --carry;
    return t.seconds + carry;
}
} // namespace

std::uint64_t secondBoundariesBetween(FileTime a, FileTime b)
{
    const std::int64_t sa = secondOf(a);
    const std::int64_t sb = secondOf(b);
    // Unsigned, so stamps at the far ends of the range cannot overflow.
    return sa >= sb ? std::uint64_t(sa) - std::uint64_t(sb) : std::uint64_t(sb) - std::uint64_t(sa);
}

bool excludedFromSwap(const Options &o, std::int64_t tolerance, FileTime left, FileTime right)
{
    if (!o.SwapItems || !o.ExcludeFilesFromSwapping || tolerance < 0)
        return false;
    const std::uint64_t d = secondBoundariesBetween(left, right);
    const auto limit = std::uint64_t(tolerance);
    return o.Exactly ? d == limit : d < limit;
}

QString caseSensitivityTitle()
{
    return tx("Distinguish between upper-lower case letters", "Διαχωρισμός πεζών-κεφαλαίων γραμμάτων");
}

QString caseSensitivityPrompt(bool nowSet)
{
    if (nowSet)
        return tx("You decided to instruct this application to distinguish between upper and lower "
                  "case letters in item names.\r\n\r\n"
                  "Make CERTAIN that the operating system which hosts this application, ALSO "
                  "distinguishes between upper and lower case letters in item names.\r\n\r\n"
                  "CAUTION: You must shut down and restart this application for this change to "
                  "take effect.",
                  "Αποφασίσατε να ενεργοποιήσετε το διαχωρισμό ανάμεσα στα πεζά και κεφαλαία "
                  "γράμματα των ονομάτων των στοιχείων.\r\n\r\n"
                  "ΒΕΒΑΙΩΘΕΙΤΕ ότι ΚΑΙ το λειτουργικό σύστημα στο οποίο εκτελείται αυτή η εφαρμογή, "
                  "υποστηρίζει το διαχωρισμό ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων "
                  "των στοιχείων.\r\n\r\n"
                  "ΠΡΟΣΟΧΗ: Πρέπει να κλείσετε και να επανεκκινήσετε αυτή την εφαρμογή για να "
                  "ισχύσει η νέα ρύθμιση.");
    return tx("You decided to instruct this application NOT to distinguish between upper and lower "
              "case letters in item names.\r\n\r\n"
              "Make certain that the operating system which hosts this application, ALSO does NOT "
              "distinguish between upper and lower case letters in item names.\r\n\r\n"
              "CAUTION: You must shut down and restart this application for this change to take "
              "effect.",
              "Αποφασίσατε να ακυρώσετε το διαχωρισμό ανάμεσα στα πεζά και κεφαλαία γράμματα των "
              "ονομάτων των στοιχείων.\r\n\r\n"
              "Βεβαιωθείτε ότι ΚΑΙ το λειτουργικό σύστημα στο οποίο εκτελείται αυτή η εφαρμογή, ΔΕΝ "
              "υποστηρίζει το διαχωρισμό ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των "
              "στοιχείων.\r\n\r\n"
              "ΠΡΟΣΟΧΗ: Πρέπει να κλείσετε και να επανεκκινήσετε αυτή την εφαρμογή για να ισχύσει "
              "η νέα ρύθμιση.");
}

namespace {
// A value the window cannot produce is stored as its start-up value, so the
// file and the running program never disagree.
int choice(int value, int lo, int hi, int fallback)
{
    return value >= lo && value <= hi ? value : fallback;
}

int fieldValue(Field field, const QString &text)
{
    const int v = textValue(text);
    return v >= 0 && v <= rule(field).maximum ? v : 0;
}

// Tolerance texts keep their leading zeros; anything else becomes "0".
QString toleranceText(Field field, const QString &text)
{
    const int v = textValue(text);
    return v >= 0 && v <= rule(field).maximum ? text : QStringLiteral("0");
}
} // namespace

void storeOptions(const OptionsInput &in)
{
    const Options start;
    Options &o = App().OptionValues;
    using Settings::write;

    const int which = choice(in.WhichItemsToCopy, 1, 5, start.WhichItemsToCopy);
    write("Options", "WhichItemsToCopy", QString::number(which));
    o.WhichItemsToCopy = which;
    write("Options", "CopyStructureOnly", flagOneTwo(in.CopyStructureOnly));
    o.CopyStructureOnly = in.CopyStructureOnly;
    write("Options", "DeleteOnCancel", flagOneTwo(in.DeleteOnCancel));
    o.DeleteOnCancel = in.DeleteOnCancel;
    write("Options", "DeleteEmptyFolders", flagOneTwo(in.DeleteEmptyFolders));
    o.DeleteEmptyFolders = in.DeleteEmptyFolders;
    write("Options", "SwapItems", flagOneZero(in.SwapItems));
    o.SwapItems = in.SwapItems;
    write("Options", "ExcludeFilesFromSwapping", flagOneZero(in.ExcludeFilesFromSwapping));
    o.ExcludeFilesFromSwapping = in.ExcludeFilesFromSwapping;
    write("DateTimeStamp", "Exactly", flagOneZero(in.Exactly));
    o.Exactly = in.Exactly;
    write("DateTimeStamp", "Days", toleranceText(Field::Days, in.Days));
    o.Days = fieldValue(Field::Days, in.Days);
    write("DateTimeStamp", "Hours", toleranceText(Field::Hours, in.Hours));
    o.Hours = fieldValue(Field::Hours, in.Hours);
    write("DateTimeStamp", "Minutes", toleranceText(Field::Minutes, in.Minutes));
    o.Minutes = fieldValue(Field::Minutes, in.Minutes);
    write("DateTimeStamp", "Seconds", toleranceText(Field::Seconds, in.Seconds));
    o.Seconds = fieldValue(Field::Seconds, in.Seconds);
    const int when = choice(in.WhenFileExists, 1, 3, start.WhenFileExists);
    write("Options", "WhenFileExists", QString::number(when));
    o.WhenFileExists = when;
    write("Options", "FinalSelection", flagOneTwo(in.FinalSelection));
    o.FinalSelection = in.FinalSelection;
    write("Options", "CaseSensitive", flagOneTwo(in.CaseSensitive));
    App().CaseSensitiveAtNextStart = in.CaseSensitive;
    write("Options", "ShowOptions", flagOneTwo(in.ShowOptions));
    o.ShowOptions = in.ShowOptions;
    const int levels = fieldValue(Field::Levels, in.Levels);
    write("Options", "Levels", QString::number(levels));
    o.Levels = levels;
}

} // namespace OptionRules
