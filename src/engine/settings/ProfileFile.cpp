#include "engine/settings/ProfileFile.h"

#include "engine/fs/Errors.h"
#include "engine/fs/FileNames.h"
#include "engine/fs/FileOps.h"

#include <cstring>
#include <optional>
#include <vector>

namespace {

struct Line {
    QByteArray text; // without its line end
    QByteArray eol;  // "\n", "\r\n" or "" for a last line without one
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(const QByteArray &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::vector<Line> splitLines(const QByteArray &data)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype nl = data.indexOf('\n', pos);
        if (nl < 0) {
            lines.push_back({data.mid(pos), QByteArray()});
            break;
        }
        qsizetype end = nl;
        QByteArray eol("\n");
        if (end > pos && data[end - 1] == '\r') {
            --end;
            eol = "\r\n";
        }
        lines.push_back({data.mid(pos, end - pos), eol});
        pos = nl + 1;
    }
    return lines;
}

// The section name of a header line, or nothing when the line is no header.
std::optional<QByteArray> sectionName(const QByteArray &line)
{
    QByteArray t = trimmed(line);
    if (!t.startsWith('['))
        return std::nullopt;
    qsizetype close = t.indexOf(']');
    return trimmed(t.mid(1, close < 0 ? -1 : close - 1));
}

// Index of the key's line inside the section, if any.
struct Found {
    qsizetype header = -1;   // line of the section header
    qsizetype keyLine = -1;  // line of the key
    qsizetype lastLine = -1; // last non-blank line of the section
};

Found locate(const std::vector<Line> &lines, const QByteArray &section, const QByteArray &key)
{
    Found f;
    bool inSection = false;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const QByteArray &text = lines[size_t(i)].text;
        if (auto name = sectionName(text)) {
            if (inSection)
                break; // only the first section of that name counts
            if (sameName(*name, section)) {
                inSection = true;
                f.header = f.lastLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trimmed(text).isEmpty())
            f.lastLine = i;
        if (f.keyLine < 0) {
            qsizetype eq = text.indexOf('=');
            if (eq >= 0 && sameName(trimmed(text.left(eq)), key))
                f.keyLine = i;
        }
    }
    return f;
}

bool safeName(const QByteArray &s)
{
    return !s.contains('\n') && !s.contains('\r') && !s.contains('\0');
}

} // namespace

namespace profile {

QByteArray read(const QByteArray &section, const QByteArray &key, const QByteArray &defaultText,
                unsigned size, const QByteArray &path)
{
    if (size == 0)
        return QByteArray();
    QByteArray value = defaultText;
    try {
        std::vector<Line> lines = splitLines(FileOps::readFile(FileNames::fromBytes(path)));
        Found f = locate(lines, trimmed(section), trimmed(key));
        if (f.keyLine >= 0) {
            const QByteArray &text = lines[size_t(f.keyLine)].text;
            value = trimmed(text.mid(text.indexOf('=') + 1));
        }
    } catch (const AppError &) {
    }
    return value.left(qsizetype(size) - 1);
}

} // namespace profile

unsigned GetPrivateProfileStringA(const char *section, const char *key, const char *defaultText,
                                  char *buffer, unsigned size, const char *path)
{
    if (!buffer || size == 0)
        return 0;
    QByteArray v = profile::read(section ? section : "", key ? key : "",
                                 defaultText ? defaultText : "", size, path ? path : "");
    std::memcpy(buffer, v.constData(), size_t(v.size()));
    buffer[v.size()] = '\0';
    return unsigned(v.size());
}

bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *path)
{
    if (!section || !key || !value || !path || !*path)
        return false;
    QByteArray sec = trimmed(section), k = trimmed(key), val = value;
    if (sec.isEmpty() || k.isEmpty() || sec.contains(']') || k.contains('=') || !safeName(sec)
        || !safeName(k) || !safeName(val))
        return false;

    // Never replace what we could not read.
    const QString file = FileNames::fromBytes(path);
    bool existed = false;
    QByteArray data;
    try {
        data = FileOps::readFile(file, &existed);
    } catch (const AppError &) {
        return false;
    }
    std::vector<Line> lines = splitLines(data);
    qsizetype crlf = 0, lf = 0;
    for (const Line &l : lines)
        (l.eol == "\r\n" ? crlf : lf) += l.eol.isEmpty() ? 0 : 1;
    const QByteArray eol = crlf > lf ? QByteArray("\r\n") : QByteArray("\n");

    Found f = locate(lines, sec, k);
    if (f.keyLine >= 0) {
        QByteArray &text = lines[size_t(f.keyLine)].text;
        text = text.left(text.indexOf('=') + 1) + val;
    } else {
        std::vector<Line> added;
        if (f.header < 0)
            added.push_back({"[" + sec + "]", eol});
        added.push_back({k + "=" + val, eol});
        qsizetype at = f.header < 0 ? qsizetype(lines.size()) : f.lastLine + 1;
        if (at > 0 && lines[size_t(at - 1)].eol.isEmpty())
            lines[size_t(at - 1)].eol = eol;
        lines.insert(lines.begin() + at, added.begin(), added.end());
    }

    QByteArray out;
    out.reserve(data.size() + 64);
    for (const Line &l : lines)
        out += l.text + l.eol;
    if (existed && out == data)
        return true;
    try {
        FileOps::replaceFile(file, out);
        return true;
    } catch (const AppError &) {
        return false;
    }
}
