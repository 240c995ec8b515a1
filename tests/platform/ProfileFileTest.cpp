#include "platform/ProfileFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Orvanel.ini");
    QByteArray p = QFile::encodeName(path);

    QByteArray get(const char *section, const char *key, const char *def = "?", unsigned size = 1024)
    {
        std::vector<char> buf(size ? size : 1, 'X');
        unsigned n = GetPrivateProfileStringA(section, key, def, buf.data(), size, p.constData());
        return QByteArray(buf.data(), n);
    }
    bool put(const char *section, const char *key, const char *value)
    {
        return WritePrivateProfileStringA(section, key, value, p.constData());
    }
};

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(get("General", "Language", "0"), "0");
    writeBytes(path, "[General]\nLanguage=1\n");
    EXPECT_EQ(get("Options", "Language", "d"), "d");
    EXPECT_EQ(get("General", "Levels", "d"), "d");
    EXPECT_EQ(get("General", "Language"), "1");
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=1\n") << "a read never writes";
}

TEST_F(ProfileFile, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed)
{
    writeBytes(path, "[warnings]\noptions=0\n  [ Options ]  \n  levels  =  12  \n");
    EXPECT_EQ(get("Warnings", "Options"), "0");
    EXPECT_EQ(get("OPTIONS", "Levels"), "12");
}

TEST_F(ProfileFile, BufferSizeCutsTheValue)
{
    writeBytes(path, "[Options]\nLevels=12345\nPath=" + QByteArray(1100, 'a') + "\n");
    EXPECT_EQ(get("Options", "Levels", "0", 5), "1234");
    EXPECT_EQ(get("Options", "Path", "", 1024).size(), 1023);
    EXPECT_EQ(get("Options", "Levels", "0", 1), "");
    EXPECT_EQ(get("Options", "Missing", "default", 4), "def") << "the default is cut too";
    char untouched = 'Z';
    EXPECT_EQ(GetPrivateProfileStringA("Options", "Levels", "", &untouched, 0, p.constData()), 0u);
    EXPECT_EQ(untouched, 'Z');
}

TEST_F(ProfileFile, FirstSectionAndKeyWinAndCommentsAreNotKeys)
{
    writeBytes(path, "[A]\n;K=comment\nK=first\nK=second\n[a]\nK=third\n");
    EXPECT_EQ(get("A", "K"), "first");
    ASSERT_TRUE(put("a", "k", "new"));
    EXPECT_EQ(readBytes(path), "[A]\n;K=comment\nK=new\nK=second\n[a]\nK=third\n");
}

TEST_F(ProfileFile, WriteChangesOnlyTheValueAndKeepsEveryOtherByte)
{
    const QByteArray before = "; written by hand\r\n"
                              "[General]\r\n"
                              "Language = 0\r\n"
                              "Unknown=keep me\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "x=1\r\n";
    writeBytes(path, before);
    ASSERT_TRUE(put("general", "LANGUAGE", "1"));
    QByteArray expected = before;
    expected.replace("Language = 0", "Language =1");
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(ProfileFile, NewKeyGoesToTheEndOfItsSectionNewSectionToTheEndOfTheFile)
{
    writeBytes(path, "[General]\nLanguage=0\n\n[Options]\nLevels=3\n");
    ASSERT_TRUE(put("General", "LeftInitialPath", "/home/u/Data"));
    ASSERT_TRUE(put("Warnings", "Options", "0"));
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\nLeftInitialPath=/home/u/Data\n\n"
                               "[Options]\nLevels=3\n[Warnings]\nOptions=0\n");
}

TEST_F(ProfileFile, CrLfFilesGetCrLfAndAMissingLastNewlineIsSupplied)
{
    writeBytes(path, "[General]\r\nLanguage=0");
    ASSERT_TRUE(put("General", "Extra", "x"));
    ASSERT_TRUE(put("Options", "Levels", "0"));
    EXPECT_EQ(readBytes(path), "[General]\r\nLanguage=0\r\nExtra=x\r\n[Options]\r\nLevels=0\r\n");
}

TEST_F(ProfileFile, SectionOrderFollowsTheOrderOfFirstWrites)
{
    const char *keys[][3] = {
        {"General", "Language", "0"},          {"Options", "WhichItemsToCopy", "5"},
        {"Options", "CopyStructureOnly", "2"}, {"Options", "DeleteOnCancel", "1"},
        {"Options", "DeleteEmptyFolders", "2"}, {"Options", "SwapItems", "0"},
        {"Options", "ExcludeFilesFromSwapping", "0"}, {"DateTimeStamp", "Exactly", "0"},
        {"DateTimeStamp", "Days", "0"},        {"DateTimeStamp", "Hours", "0"},
        {"DateTimeStamp", "Minutes", "0"},     {"DateTimeStamp", "Seconds", "0"},
        {"Options", "WhenFileExists", "1"},    {"Options", "FinalSelection", "2"},
        {"Options", "CaseSensitive", "2"},     {"Options", "ShowOptions", "1"},
        {"Options", "Levels", "0"},
    };
    for (auto &k : keys)
        ASSERT_TRUE(put(k[0], k[1], k[2]));
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\n[Options]\nWhichItemsToCopy=5\n"
                               "CopyStructureOnly=2\nDeleteOnCancel=1\nDeleteEmptyFolders=2\n"
                               "SwapItems=0\nExcludeFilesFromSwapping=0\nWhenFileExists=1\n"
                               "FinalSelection=2\nCaseSensitive=2\nShowOptions=1\nLevels=0\n"
                               "[DateTimeStamp]\nExactly=0\nDays=0\nHours=0\nMinutes=0\nSeconds=0\n");
}

TEST_F(ProfileFile, BinaryBytesAndHugeLinesAreReadAndSurviveWrites)
{
    QByteArray junk;
    for (int i = 0; i < 256; ++i)
        junk.append(char(i));
    const QByteArray before = junk + "\n" + QByteArray(1 << 20, 'z') + "\n[General]\nLanguage=1\n" + junk;
    writeBytes(path, before);
    EXPECT_EQ(get("General", "Language"), "1");
    ASSERT_TRUE(put("General", "Language", "0"));
    QByteArray expected = before;
    expected.replace("Language=1", "Language=0");
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(ProfileFile, ReadOnlyFileIsNotWrittenEvenByRoot)
{
    writeBytes(path, "[General]\nLanguage=0\n");
    ASSERT_EQ(::chmod(p.constData(), 0444), 0);
    EXPECT_FALSE(put("General", "Language", "1"));
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\n");
    struct stat st {};
    ASSERT_EQ(::stat(p.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(ProfileFile, WriteKeepsPermissionsAndWritesThroughASymlink)
{
    QDir().mkpath(dir.filePath("real"));
    const QString real = dir.filePath("real/Orvanel.ini");
    writeBytes(real, "[General]\nLanguage=0\n");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, path));
    ASSERT_TRUE(put("General", "Language", "1"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(readBytes(real), "[General]\nLanguage=1\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ProfileFile, ValuesThatWouldBreakTheFileAreRefused)
{
    writeBytes(path, "[General]\nLanguage=0\n");
    EXPECT_FALSE(put("General", "LeftInitialPath", "/tmp/a\n[Options]\nLevels=1"));
    EXPECT_FALSE(put("General", "Left=Path", "x"));
    EXPECT_FALSE(put("Gen]eral", "Key", "x"));
    EXPECT_FALSE(put("General", "", "x"));
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\n");
}

TEST_F(ProfileFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile)
{
    const QByteArray before = "[General]\nLanguage=0\n";
    writeBytes(path, before);
    // A file-size limit makes the write fail the way a full disk does.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = put("General", "LeftInitialPath", QByteArray(8000, 'p').constData());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"Orvanel.ini"});
}

TEST_F(ProfileFile, MissingFolderFailsQuietly)
{
    const QByteArray nowhere = QFile::encodeName(dir.filePath("no/such/Orvanel.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("General", "Language", "0", nowhere.constData()));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("no")));
}

} // namespace
