#include "platform/HelpFile.h"
#include "platform/Locations.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A prefix laid out like `cmake --install`: <prefix>/bin and <prefix>/share/orvanel.
class DataFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(root.path()).mkpath("bin"));
        HelpFile::clearCache();
    }
    void TearDown() override { HelpFile::clearCache(); }

    void installHelp(const QByteArray &text)
    {
        ASSERT_TRUE(QDir(root.path()).mkpath("share/orvanel"));
        writeBytes(shared(), text);
    }
    QString shared() const { return root.filePath("share/orvanel/OrvanelUk.hlp"); }

    QTemporaryDir root;
    QString bin = root.filePath("bin");
};

TEST_F(DataFolder, AnInstalledProgramReadsItsHelpFromShareOrvanel)
{
    installHelp("[10010]\ninstalled help\n");
    const QString expected = root.filePath("share/orvanel");
    EXPECT_EQ(Locations::dataFolder(bin), expected);
    EXPECT_EQ(Locations::dataFolder(bin + "/"), expected);
    EXPECT_EQ(Locations::dataFolder(root.filePath("bin/../bin")), expected);

    const QString help = QDir(Locations::dataFolder(bin)).filePath("OrvanelUk.hlp");
    EXPECT_EQ(helpTopicText(help, 10010), "installed help");
}

TEST_F(DataFolder, HelpBesideTheExecutableWinsAsInABuildFolder)
{
    installHelp("[1]\ninstalled\n");
    writeBytes(root.filePath("bin/OrvanelUk.hlp"), "[1]\nbuilt\n");
    EXPECT_EQ(Locations::dataFolder(bin), bin);
    EXPECT_EQ(helpTopicText(QDir(bin).filePath("OrvanelUk.hlp"), 1), "built");
}

TEST_F(DataFolder, WithoutHelpAnywhereTheExecutablesFolderIsUsedAndHelpIsEmpty)
{
    EXPECT_EQ(Locations::dataFolder(bin), bin);
    EXPECT_EQ(helpTopicText(QDir(bin).filePath("OrvanelUk.hlp"), 10010), "");

    // A share/orvanel that is a file, not a folder, is no data folder.
    ASSERT_TRUE(QDir(root.path()).mkpath("share"));
    writeBytes(root.filePath("share/orvanel"), "not a folder");
    EXPECT_EQ(Locations::dataFolder(bin), bin);
}

} // namespace
