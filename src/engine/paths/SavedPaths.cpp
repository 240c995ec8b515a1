#include "engine/paths/SavedPaths.h"

#include "engine/paths/PathHelpers.h"

#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Settings.h"
#include "engine/settings/Texts.h"
#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"
#include "engine/settings/MessageService.h"

#include <QByteArrayList>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The settings reader cuts an initial path at this many bytes.
constexpr qsizetype kMaxInitialPathBytes = 1023;

// Lines without their ends; a file edited elsewhere may use LF alone.
QByteArrayList splitLines(const QByteArray &data)
{
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.push_back(data.mid(start));
            break;
        }
        QByteArray line = data.mid(start, nl - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

QByteArrayList savedLines(int side)
{
    return splitLines(FileOps::readFile(App().SavedPathsFile[side]));
}

QString normalizedFolder(const QString &path) { return NormalizeCase(AddTrailingSeparator(path)); }

bool hasLineBreak(const QString &p)
{
    return p.contains(QLatin1Char('\n')) || p.contains(QLatin1Char('\r'));
}

QString saveTitle(int side) { return sideTitle(side, "Save path", "Αποθήκευση διαδρομής"); }

} // namespace

namespace SavedPaths {

QString recallTitle(int side) { return sideTitle(side, "Recall path", "Ανάκληση διαδρομής"); }

QString editTitle(int side)
{
    return sideTitle(side, "Edit saved paths", "Επεξεργασία αποθηκευμένων διαδρομών");
}

} // namespace SavedPaths

void SaveRecentPath(const QString &p, int side)
{
    guarded(Loc::SavePathRecent, [&] {
        const QString title = saveTitle(side);
        if (hasLineBreak(p)) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" δεν μπορεί να αποθηκευθεί στις πρόσφατες διαδρομές, "
                                              "επειδή περιέχει αλλαγή γραμμής και οι διαδρομές "
                                              "καταχωρούνται μία ανά γραμμή.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" cannot be saved in the recent paths list, because it "
                                              "contains a line break and the list holds one path per "
                                              "line."),
                   Msg::Exclamation, title);
            return;
        }
        const QString file = App().SavedPathsFile[side];
        const QByteArrayList lines = savedLines(side);
        const QString wanted = normalizedFolder(p);
        for (const QByteArray &line : lines) {
            if (normalizedFolder(FileNames::fromBytes(line)) == wanted) {
                MsgBox(App().LanguageIsGreek
                           ? QStringLiteral("Η διαδρομή ") + quoted(p)
                                 + QStringLiteral(" έχει ήδη αποθηκευθεί στις πρόσφατες διαδρομές.")
                           : QStringLiteral("Path ") + quoted(p)
                                 + QStringLiteral(" has already been saved in the recent paths list."),
                       Msg::Information, title);
                return;
            }
        }
        const QString question =
            App().LanguageIsGreek
                ? QStringLiteral("Θέλετε πράγματι να αποθηκεύσετε τη διαδρομή ") + quoted(p)
                      + QStringLiteral(" στις πρόσφατες διαδρομές;")
                : QStringLiteral("Do you really want to save path ") + quoted(p)
                      + QStringLiteral(" in the recent paths list?");
        if (MsgBox(question, Msg::Question | Msg::YesNo, title) != Msg::Yes)
            return;
        QByteArray content = FileNames::toBytes(p) + "\r\n";
        for (const QByteArray &line : lines)
            content += line + "\r\n";
        // A crash at any moment leaves either the old list or the new one, whole.
        FileOps::replaceFile(file, content, true);
    });
}

void SetInitialPath(const QString &p, int side)
{
    guarded(Loc::SetInitialPath, [&] {
        const QString setTitle = sideTitle(side, "Set initial path", "Ορισμός αρχικής διαδρομής");
        if (p == App().InitialPath[side]) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" έχει ήδη ορισθεί ως αρχική διαδρομή της εφαρμογής.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" has already been set as the initial path of the "
                                              "application."),
                   Msg::Information, setTitle);
            return;
        }
        // The settings file holds one line per key and is read back cut short.
        if (hasLineBreak(p) || FileNames::toBytes(p).size() > kMaxInitialPathBytes) {
            MsgBox(App().LanguageIsGreek
                       ? QStringLiteral("Η διαδρομή ") + quoted(p)
                             + QStringLiteral(" δεν μπορεί να ορισθεί ως αρχική διαδρομή της "
                                              "εφαρμογής, επειδή περιέχει αλλαγή γραμμής ή είναι "
                                              "μεγαλύτερη από 1023 bytes.")
                       : QStringLiteral("Path ") + quoted(p)
                             + QStringLiteral(" cannot be set as the initial path of the application, "
                                              "because it contains a line break or is longer than "
                                              "1023 bytes."),
                   Msg::Exclamation, setTitle);
            return;
        }
        const QString question =
            App().LanguageIsGreek
                ? QStringLiteral("Θέλετε πράγματι να ορίσετε τη διαδρομή ") + quoted(p)
                      + QStringLiteral(" ως αρχική διαδρομή της εφαρμογής;")
                : QStringLiteral("Do you really want to set ") + quoted(p)
                      + QStringLiteral(" as the initial path of the application?");
        if (MsgBox(question, Msg::Question | Msg::YesNo,
                   sideTitle(side, "Save initial path", "Αποθήκευση αρχικής διαδρομής"))
            != Msg::Yes)
            return;
        // Unlike other keys, this one the user asked for: a failed write must not pass unseen.
        if (!Settings::write("General", side == 0 ? "LeftInitialPath" : "RightInitialPath", p))
            throw AppError(ErrorCode::PathFileAccess, errorText(ErrorCode::PathFileAccess)
                                                          + QStringLiteral(": ")
                                                          + App().SettingsFilePath);
        App().InitialPath[side] = p;
    });
}

QStringList savedPathLines(int side)
{
    QStringList result;
    for (const QByteArray &line : savedLines(side)) {
        const QString text = FileNames::fromBytes(line);
        if (!text.trimmed().isEmpty())
            result.push_back(text);
    }
    return result;
}

QStringList editorCommand(const QString &file)
{
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("ORVANEL_EDITOR"));
    if (command.isEmpty()) {
        // Without its flag, an editor that is already open takes the file into
        // its running instance and returns at once: we would not wait for the edit.
        struct Editor {
            const char *name;
            const char *waitFlag;
        };
        static constexpr Editor editors[] = {
            {"gnome-text-editor", "--standalone"}, {"gedit", "--wait"}, {"kate", "--block"},
            {"mousepad", "--disable-server"},      {"xed", nullptr},    {"pluma", nullptr},
            {"featherpad", "--standalone"},
        };
        for (const Editor &e : editors) {
            const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(e.name));
            if (exe.isEmpty())
                continue;
            command << exe;
            if (e.waitFlag)
                command << QString::fromLatin1(e.waitFlag);
            break;
        }
        if (command.isEmpty())
            command << QStringLiteral("xdg-open");
    }
    // Absolute, so that no name can pass for an option.
    command << QFileInfo(file).absoluteFilePath();
    return command;
}
