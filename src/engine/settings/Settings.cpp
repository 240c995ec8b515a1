#include "engine/settings/Settings.h"

#include "engine/settings/AppState.h"
#include "engine/fs/FileNames.h"
#include "engine/settings/ProfileFile.h"

#include <cmath>

namespace Settings {

namespace {
QByteArray filePath() { return FileNames::toBytes(App().SettingsFilePath); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

double numericValue(const QByteArray &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    double value = 0;
    bool digits = false;
    for (; i < n && isDigit(text[i]); ++i, digits = true)
        value = value * 10 + (text[i] - '0');
    if (i < n && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < n && isDigit(text[i]); ++i, scale /= 10, digits = true)
            value += (text[i] - '0') * scale;
    }
    if (!digits)
        return 0;
    return negative ? -value : value;
}

int roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double diff = value - lower;
    double r = lower;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0))
        r = lower + 1;
    return int(r);
}

QByteArray readShortKey(const char *section, const char *key)
{
    const char *def = qstricmp(section, "Warnings") == 0 ? "1" : "0";
    return profile::read(section, key, def, 5, filePath());
}

int readIntegerKey(const char *section, const char *key, int lo, int hi, int fallback)
{
    const double v = numericValue(readShortKey(section, key));
    return (v >= lo && v <= hi) ? roundHalfEven(v) : fallback;
}

int readUndoKeepRuns()
{
    // Its own section: the option keys stay as they are. Missing means 1.
    const double v = numericValue(profile::read("Undo", "KeepRuns", "1", 5, filePath()));
    return (v >= 0 && v <= 99) ? roundHalfEven(v) : 1;
}

bool readFlagKey(const char *section, const char *key)
{
    return numericValue(readShortKey(section, key)) == 1;
}

bool readFlagUnlessTwo(const char *section, const char *key)
{
    return numericValue(readShortKey(section, key)) != 2;
}

QString readInitialPath(int side)
{
    // Three bytes past the cut tell whether it splits a character.
    constexpr qsizetype kKept = 1023;
    QByteArray raw = profile::read("General", side == 0 ? "LeftInitialPath" : "RightInitialPath",
                                   "", kKept + 4, filePath());
    const qsizetype nul = raw.indexOf('\0');
    if (nul >= 0)
        raw.truncate(nul);
    const QString whole = FileNames::fromBytes(raw);
    if (raw.size() <= kKept)
        return whole;
    // Back to the last whole character; a stray byte of a legacy name is whole by itself.
    for (qsizetype n = kKept;; --n) {
        const QString cut = FileNames::fromBytes(raw.left(n));
        if (whole.startsWith(cut))
            return cut;
    }
}

bool readLanguageIsGreek() { return numericValue(readShortKey("General", "Language")) == 0; }

void readInitialPaths()
{
    App().InitialPath[0] = readInitialPath(0);
    App().InitialPath[1] = readInitialPath(1);
}

void readOptionValues()
{
    const Options start;
    Options &o = App().OptionValues;
    o.WhichItemsToCopy = readIntegerKey("Options", "WhichItemsToCopy", 1, 5, start.WhichItemsToCopy);
    o.WhenFileExists = readIntegerKey("Options", "WhenFileExists", 1, 3, start.WhenFileExists);
    o.CopyStructureOnly = readFlagKey("Options", "CopyStructureOnly");
    o.DeleteEmptyFolders = readFlagKey("Options", "DeleteEmptyFolders");
    o.DeleteOnCancel = readFlagUnlessTwo("Options", "DeleteOnCancel");
    o.SwapItems = readFlagKey("Options", "SwapItems");
    o.ExcludeFilesFromSwapping = readFlagKey("Options", "ExcludeFilesFromSwapping");
    o.Exactly = readFlagKey("DateTimeStamp", "Exactly");
    o.Days = readIntegerKey("DateTimeStamp", "Days", 0, 999, start.Days);
    o.Hours = readIntegerKey("DateTimeStamp", "Hours", 0, 23, start.Hours);
    o.Minutes = readIntegerKey("DateTimeStamp", "Minutes", 0, 59, start.Minutes);
    o.Seconds = readIntegerKey("DateTimeStamp", "Seconds", 0, 59, start.Seconds);
    o.FinalSelection = readFlagKey("Options", "FinalSelection");
    o.CaseSensitive = readFlagKey("Options", "CaseSensitive");
    App().CaseSensitiveAtNextStart = o.CaseSensitive;
    o.ShowOptions = readFlagUnlessTwo("Options", "ShowOptions");
    o.Levels = readIntegerKey("Options", "Levels", 0, 9999, start.Levels);
}

void readReminderSwitches()
{
    Reminders &r = App().ReminderSwitches;
    r.Options = readFlagKey("Warnings", "Options");
    r.Target = readFlagKey("Warnings", "Target");
    r.Manual = readFlagKey("Warnings", "Manual");
    r.Common = readFlagKey("Warnings", "Common");
    r.Swapping = readFlagKey("Warnings", "Swapping");
}

bool write(const char *section, const char *key, const QString &value)
{
    // A path keeps its bytes; any other value is plain text, which this writes as UTF-8.
    return WritePrivateProfileStringA(section, key, FileNames::toBytes(value).constData(),
                                      filePath().constData());
}

} // namespace Settings
