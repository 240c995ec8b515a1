#include "engine/settings/HelpFile.h"

#include "engine/fs/Errors.h"
#include "engine/fs/FileOps.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QStringList>

namespace {

struct Parsed {
    FileOps::Version version;
    QHash<int, QString> topics;
};

// Only two help files exist; the bound is for callers that pass many paths.
constexpr int MaxCachedFiles = 8;

QMutex cacheMutex;
int parseCount = 0; // under cacheMutex
QHash<QString, Parsed> &cache()
{
    static QHash<QString, Parsed> c;
    return c;
}

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}

// "[10010]" with blanks allowed around and inside the brackets.
int topicNumber(QStringView line)
{
    const QStringView t = line.trimmed();
    if (t.size() < 3 || t.front() != u'[' || t.back() != u']')
        return -1;
    const QStringView digits = t.sliced(1, t.size() - 2).trimmed();
    if (digits.isEmpty() || digits.size() > 9)
        return -1;
    int n = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// Control characters from a damaged file would show as boxes or break the popup.
QString cleaned(QStringView text)
{
    QString out;
    out.reserve(qMin(text.size(), HelpFile::MaxTopicChars));
    for (QChar c : text) {
        if (out.size() >= HelpFile::MaxTopicChars)
            break;
        if (c.unicode() < 0x20 && c != u'\n' && c != u'\t')
            continue;
        out.append(c);
    }
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

QHash<int, QString> parse(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QString text = QString::fromUtf8(bytes);
    bytes.clear();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');

    QHash<int, QString> topics;
    int current = -1;
    QList<QStringView> lines;
    const auto finish = [&] {
        if (current < 0 || topics.contains(current))
            return;
        qsizetype first = 0, last = lines.size();
        while (first < last && isBlank(lines[first]))
            ++first;
        while (last > first && isBlank(lines[last - 1]))
            --last;
        QString joined;
        for (qsizetype i = first; i < last && joined.size() < HelpFile::MaxTopicChars; ++i) {
            if (i > first)
                joined.append(u'\n');
            joined.append(lines[i].left(HelpFile::MaxTopicChars));
        }
        topics.insert(current, cleaned(joined));
    };

    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        const int n = topicNumber(line);
        if (n >= 0) {
            finish();
            current = n;
            lines.clear();
        } else if (current >= 0) {
            lines.append(line);
        }
    }
    finish();
    return topics;
}

} // namespace

QString helpTopicText(const QString &helpFile, int topic)
{
    if (helpFile.isEmpty() || topic < 0)
        return {};
    const FileOps::Version version = FileOps::fileVersion(helpFile);

    QMutexLocker lock(&cacheMutex);
    auto &c = cache();
    if (version == FileOps::Version{}) {
        c.remove(helpFile);
        return {};
    }
    auto it = c.find(helpFile);
    if (it == c.end() || it->version != version) {
        Parsed parsed{version, {}};
        ++parseCount;
        try {
            parsed.topics = parse(FileOps::readFile(helpFile, nullptr, HelpFile::MaxFileBytes));
        } catch (const AppError &) {
            c.remove(helpFile);
            return {};
        }
        if (it == c.end() && c.size() >= MaxCachedFiles)
            c.clear();
        it = c.insert(helpFile, std::move(parsed));
    }
    return it->topics.value(topic);
}

namespace HelpFile {
void clearCache()
{
    QMutexLocker lock(&cacheMutex);
    cache().clear();
}

int parses()
{
    QMutexLocker lock(&cacheMutex);
    return parseCount;
}
} // namespace HelpFile
