#include "mainwindow/Icons.h"

#include <QImage>
#include <gtest/gtest.h>

// The window icon is built into the program, so it shows before (or without)
// an install; the theme may only replace it.
TEST(ApplicationIcon, IsBuiltInAtFullSizeAndNeverEmpty)
{
    const QImage builtIn(QStringLiteral(":/orvanel/orvanel.png"));
    EXPECT_EQ(builtIn.size(), QSize(256, 256));
    const QIcon icon = Icons::application();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256));
}
