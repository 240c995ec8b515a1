#include "engine/settings/HelpFile.h"
#include "engine/fs/Locations.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class HelpFile : public ::testing::Test {
protected:
    void SetUp() override { ::HelpFile::clearCache(); }
    void TearDown() override { ::HelpFile::clearCache(); }
    QTemporaryDir dir;
    QString path = dir.filePath("OrvanelUk.hlp");
};

TEST_F(HelpFile, TopicsAreTheLinesUpToTheNextTopicAndBrokenFilesGiveWhatCanBeRead)
{
    writeBytes(path, "# comment\nstray text before the first topic\n  [10010]  \n\n"
                     "The folders.\n   \n# kept inside a topic\n\n\n"
                     "[ 10020 ]\nRight.\n[10030\nstill 10020\n[10040]\n[10010]\nnot the first 10010\n");
    EXPECT_EQ(helpTopicText(path, 10010), "The folders.\n   \n# kept inside a topic");
    EXPECT_EQ(helpTopicText(path, 10020), "Right.\n[10030\nstill 10020");
    EXPECT_EQ(helpTopicText(path, 10040), "");
    EXPECT_EQ(helpTopicText(path, 10050), "");
    writeBytes(path, "\xEF\xBB\xBF[1]\r\n\r\nΟι φάκελλοι\r\ntwo\r\n\r\n[2]\rold\rMac\r[3]\nno final newline");
    EXPECT_EQ(helpTopicText(path, 1), "Οι φάκελλοι\ntwo");
    EXPECT_EQ(helpTopicText(path, 2), "old\nMac");
    EXPECT_EQ(helpTopicText(path, 3), "no final newline");
    const char damaged[] = "[1]\nbad \xff utf8, a NUL \0 and a bell \a\ttab";
    writeBytes(path, QByteArray(damaged, sizeof damaged - 1));
    EXPECT_EQ(helpTopicText(path, 1), QString::fromUtf8("bad \xEF\xBF\xBD utf8, a NUL  and a bell \ttab"));
    writeBytes(path, "[1]\n" + QByteArray(3 * 1024 * 1024, 'x') + "\n[2]\nafter the huge line\n[3]\n"
                         + QByteArray(::HelpFile::MaxFileBytes, 'y') + "\n[4]\nbeyond\n");
    EXPECT_EQ(helpTopicText(path, 1).size(), ::HelpFile::MaxTopicChars);
    EXPECT_EQ(helpTopicText(path, 2), "after the huge line");
    EXPECT_EQ(helpTopicText(path, 4), "") << "past the size bound nothing is read";
    // A FIFO returns at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.hlp")).constData(), 0600), 0);
    for (const QString &none : {dir.filePath("missing.hlp"), dir.path(), dir.filePath("fifo.hlp")})
        EXPECT_EQ(helpTopicText(none, 1), "") << none.toStdString();
}

TEST_F(HelpFile, AFileIsReadOnceUntilItChangesOrGoes)
{
    writeBytes(path, "[1]\nfirst\n[2]\nsecond\n");
    ASSERT_EQ(helpTopicText(path, 1), "first");
    const int parses = ::HelpFile::parses();
    EXPECT_EQ(helpTopicText(path, 2), "second");
    EXPECT_EQ(::HelpFile::parses(), parses) << "a second topic, no second read";
    // Same size, old modification time: only the change time tells.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime mtime = f.fileTime(QFileDevice::FileModificationTime);
    f.write("[1]\nFIRST\n");
    f.setFileTime(mtime, QFileDevice::FileModificationTime);
    f.close();
    EXPECT_EQ(helpTopicText(path, 1), "FIRST");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(helpTopicText(path, 1), "");
}

// A prefix laid out like `cmake --install`: <prefix>/bin and <prefix>/share/orvanel.
TEST_F(HelpFile, TheDataFolderIsBesideTheExecutableElseShareOrvanel)
{
    const QString bin = dir.filePath("bin"), share = dir.filePath("share/orvanel");
    EXPECT_EQ(Locations::dataFolder(bin), bin) << "without help anywhere";
    writeBytes(share, "not a folder");
    EXPECT_EQ(Locations::dataFolder(bin), bin);
    QFile::remove(share);
    QDir().mkpath(share);
    EXPECT_EQ(Locations::dataFolder(bin), share);
    writeBytes(bin + "/OrvanelUk.hlp", "[1]\nbuilt\n");
    EXPECT_EQ(Locations::dataFolder(bin), bin) << "as in a build folder";
}

} // namespace
