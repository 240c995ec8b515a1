#include "ui/common/Icons.h"

#include <gtest/gtest.h>

// Built into the program, the window icon shows before (or without) an install.
TEST(ApplicationIcon, IsBuiltInAtFullSizeAndNeverEmpty)
{
    const QIcon icon = Icons::application();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256));
}
