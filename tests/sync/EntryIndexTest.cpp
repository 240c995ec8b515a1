#include "mainwindow/PathHelpers.h"
#include "core/AppState.h"
#include "sync/EntryIndex.h"

#include <gtest/gtest.h>

namespace {

// The index must agree with comparing NormalizeCase texts, whatever the script.
TEST(EntryIndex, AgreesWithNormalizedComparison)
{
    resetAppState();
    const std::vector<QString> texts = {
        QStringLiteral("-Docs/Readme.TXT"), QStringLiteral("-docs/readme.txt"),
        QStringLiteral("-Έγγραφα/Σημείωση.pdf"), QStringLiteral("-ΈΓΓΡΑΦΑ/σημείωση.PDF"),
        QStringLiteral("-Straße"), QStringLiteral("-STRASSE"), QStringLiteral("-strasse"),
        QStringLiteral("-\u1F80"), // ᾀ: upper case is two characters
        QStringLiteral("-ﬀ"), QStringLiteral("-FF"),
        QStringLiteral("-\U0001D49C"), QStringLiteral("-\U00010428"), QStringLiteral("-\U00010400"),
        QStringLiteral("+a"), QStringLiteral("-a"), QStringLiteral("-"),
    };
    for (bool caseSensitive : {false, true}) {
        App().OptionValues.CaseSensitive = caseSensitive;
        EntryIndex index(texts, caseSensitive);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::size_t &v = index.slot(i);
            if (v == EntryIndex::kNone)
                v = i; // the first entry of each key
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::size_t first = i;
            for (std::size_t j = 0; j < i; ++j)
                if (NormalizeCase(texts[j]) == NormalizeCase(texts[i])) {
                    first = j;
                    break;
                }
            const std::size_t *found = index.find(texts[i]);
            ASSERT_NE(found, nullptr) << texts[i].toStdString();
            EXPECT_EQ(*found, first) << texts[i].toStdString() << " case-sensitive " << caseSensitive;
        }
        EXPECT_EQ(index.find(QStringLiteral("-nothing")), nullptr);
        EXPECT_EQ(index.find(QStringLiteral("-Docs/Readme.TX")), nullptr);
    }
    resetAppState();
}

TEST(EntryIndex, EmptyListFindsNothing)
{
    const std::vector<QString> none;
    EntryIndex index(none, false);
    EXPECT_EQ(index.find(QStringLiteral("-a")), nullptr);
}

} // namespace
