#include "engine/settings/ErrorReport.h"
#include "ui/common/QtMessageService.h"
#include "engine/run/TargetFolder.h"
#include "WindowTesting.h"

#include <QMessageBox>

namespace {

// Enter on the question before a permanent deletion answers No.
TEST_F(WindowTest, TheQuestionBeforeDeletingTheTargetTakesEnterAsNo)
{
    const QString target = dir.filePath("Target");
    writeBytes(target + "/copied.txt", "c");
    QtMessageService qt;
    MessageService *const scripted = setMessageService(&qt);
    QString defaultButton;
    whenModal<QMessageBox>([&](QMessageBox &b) {
        defaultButton = b.defaultButton()->text();
        QTest::keyClick(&b, Qt::Key_Return);
    });
    EXPECT_TRUE(DeleteTargetFolder(target, false, Loc::SynchronizeClose));
    setMessageService(scripted);
    EXPECT_EQ(defaultButton, "No");
    EXPECT_EQ(readBytes(target + "/copied.txt"), "c");
}

} // namespace
