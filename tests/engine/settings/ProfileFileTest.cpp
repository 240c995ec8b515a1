#include "engine/settings/ProfileFile.h"
#include "Faults.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Orvanel.ini");
    QByteArray p = QFile::encodeName(path);
    QByteArray get(const char *section, const char *key, const char *def = "?", unsigned size = 1024)
    {
        std::vector<char> buf(size ? size : 1, 'X');
        return QByteArray(buf.data(), GetPrivateProfileStringA(section, key, def, buf.data(), size, p.constData()));
    }
    bool put(const char *section, const char *key, const char *value)
    {
        return WritePrivateProfileStringA(section, key, value, p.constData());
    }
    // A write that must change the file as replace() says, and nothing else.
    void expectWrite(const char *section, const char *key, const char *value, const QByteArray &before,
                     const QByteArray &after)
    {
        writeBytes(path, before);
        EXPECT_TRUE(put(section, key, value));
        EXPECT_EQ(readBytes(path), after);
    }
};

TEST_F(ProfileFile, ReadsTheFirstKeyOfTheFirstSectionIgnoringCaseAndBlanksElseTheDefault)
{
    EXPECT_EQ(get("General", "Language", "0"), "0");
    const QByteArray text = "[warnings]\noptions=0\n  [ Options ]  \n  levels  =  12  \n;K=comment\nK=first\n"
                            "K=second\n[options]\nX=third\n";
    writeBytes(path, text);
    EXPECT_EQ(get("Warnings", "Options"), "0");
    EXPECT_EQ(get("OPTIONS", "Levels"), "12");
    EXPECT_EQ(get("Options", "K"), "first");
    EXPECT_EQ(get("Options", "X", "d"), "d");
    EXPECT_EQ(readBytes(path), text) << "a read never writes";
    EXPECT_EQ(get("Options", "Levels", "0", 2), "1") << "the buffer's size cuts the value";
    EXPECT_EQ(get("Options", "Missing", "default", 4), "def") << "and the default";
    char untouched = 'Z';
    EXPECT_EQ(GetPrivateProfileStringA("Options", "Levels", "", &untouched, 0, p.constData()), 0u);
    EXPECT_EQ(untouched, 'Z');
}

TEST_F(ProfileFile, AWriteChangesOnlyItsLineAndKeepsEveryOtherByte)
{
    ASSERT_TRUE(put("General", "Language", "0")); // a missing file is made
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\n");
    expectWrite("general", "LANGUAGE", "1", "; by hand\r\n[General]\r\nLanguage = 0\r\nUnknown=keep me\r\n\r\n[x]\r\n",
                "; by hand\r\n[General]\r\nLanguage =1\r\nUnknown=keep me\r\n\r\n[x]\r\n");
    expectWrite("a", "k", "new", "[A]\n;K=comment\nK=first\nK=second\n[a]\nK=third\n",
                "[A]\n;K=comment\nK=new\nK=second\n[a]\nK=third\n");
    // A new key goes to the end of its section, a new section to the end of the file.
    expectWrite("General", "Left", "/home/u", "[General]\nLanguage=0\n\n[Options]\nLevels=3\n",
                "[General]\nLanguage=0\nLeft=/home/u\n\n[Options]\nLevels=3\n");
    EXPECT_TRUE(put("Warnings", "Options", "0"));
    EXPECT_EQ(readBytes(path), "[General]\nLanguage=0\nLeft=/home/u\n\n[Options]\nLevels=3\n[Warnings]\nOptions=0\n");
    // CR LF files get CR LF; a missing last line end is supplied.
    expectWrite("General", "Extra", "x", "[General]\r\nLanguage=0", "[General]\r\nLanguage=0\r\nExtra=x\r\n");
    // Binary bytes and huge lines are read and survive.
    QByteArray junk;
    for (int i = 0; i < 256; ++i)
        junk.append(char(i));
    const QByteArray before = junk + "\n" + QByteArray(1 << 20, 'z') + "\n[General]\nLanguage=1\n" + junk;
    writeBytes(path, before);
    EXPECT_EQ(get("General", "Language"), "1");
    expectWrite("General", "Language", "0", before, QByteArray(before).replace("Language=1", "Language=0"));
}

TEST_F(ProfileFile, AWriteKeepsPermissionsGoesThroughALinkAndNeverBreaksOrHalfWritesTheFile)
{
    const QString real = dir.filePath("real.ini");
    const QByteArray before = "[General]\nLanguage=0\n";
    writeBytes(real, before);
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(QFile::link(real, path));
    ASSERT_TRUE(put("General", "Language", "1"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(readBytes(real), "[General]\nLanguage=1\n");
    EXPECT_EQ(QFile::permissions(real) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    writeBytes(real, before);
    for (auto [section, key, value] : {std::tuple{"General", "Left", "/a\n[Options]\nLevels=1"}, {"General", "L=P", "x"},
                                       {"Gen]eral", "Key", "x"}, {"General", "", "x"}})
        EXPECT_FALSE(put(section, key, value)) << section << key << value;
    // A file-size limit makes the write fail the way a full disk does.
    EXPECT_FALSE(underFileSizeLimit(4096, [&] { return put("General", "Left", QByteArray(8000, 'p').constData()); }));
    EXPECT_EQ(readBytes(real), before);
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{"Orvanel.ini", "real.ini"})) << "no temporary file is left";
    ASSERT_EQ(::chmod(p.constData(), 0444), 0);
    EXPECT_FALSE(put("General", "Language", "1")) << "read-only, even for root";
    EXPECT_EQ(readBytes(real), before);
}

} // namespace
