#include "engine/paths/CaseFold.h"
#include "engine/fs/FileNames.h"

#include <QList>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

TEST(FileNames, EveryByteSequenceComesBackExactlyNeverLooksLikeAnotherAndFoldsLetterByLetter)
{
    // Legacy Greek, broken and overlong UTF-8, encoded surrogates, and plain text.
    QList<QByteArray> all = {"\xd6\xdc\xea\xe5\xeb\xeb\xef\xf2", "\xc3", "\xc3\x28", "\xc0\xaf", "\xed\xa0\x80",
                             "\xf4\x90\x80\x80", "\xe2\x82", "caf\xc3\xa9", "\xf0\x9f\x98\x80", "a\\xE1", "\\", ""};
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray b(random.bounded(1, 12), '\0');
        for (char &c : b)
            c = char(random.bounded(1, 256));
        all << b;
    }
    for (const QByteArray &b : all) {
        const QString text = FileNames::fromBytes(b), shown = FileNames::shown(text);
        bool ok = false;
        ASSERT_EQ(FileNames::toBytes(text), b) << b.toHex().toStdString();
        ASSERT_EQ(FileNames::toBytes(FileNames::unescaped(FileNames::escaped(text), &ok)), b) << b.toHex().toStdString();
        EXPECT_TRUE(ok);
        // Shown: no control character, no lone surrogate.
        ASSERT_TRUE(shown.isValidUtf16()) << b.toHex().toStdString();
        for (const QChar c : shown)
            ASSERT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0)) << b.toHex().toStdString();
    }
    EXPECT_EQ(FileNames::shown(FileNames::fromBytes("\xd6\xdc-\xc3\xa9")), QString("\\xD6\\xDC-é"));
    EXPECT_EQ(FileNames::shown(FileNames::fromBytes("a\x1b[0m\x7f\xc2\x85")), QString("a\\x1B[0m\\x7F\\xC2\\x85"));
    EXPECT_EQ(FileNames::escaped(QString("a\\b")), QString("a\\\\b")) << "a backslash stays reversible";
    bool ok = true;
    FileNames::unescaped(QString("\\q"), &ok);
    EXPECT_FALSE(ok);
    // Letter case folds one letter to one letter.
    EXPECT_FALSE(CaseFold::equal(QString("Maße"), QString("MASSE")));
    EXPECT_TRUE(CaseFold::equal(QString("Maße"), QString("MAẞE")));
    EXPECT_FALSE(CaseFold::equal(QString("ﬁle"), QString("FILE")));
    EXPECT_TRUE(CaseFold::equal(QString("ΤΈΛΟΣ"), QString("τέλος")));
    EXPECT_TRUE(CaseFold::equal(QString("\u212A"), QString("k"))) << "Kelvin sign";
    EXPECT_TRUE(CaseFold::equal(QString("\U00010400"), QString("\U00010428"))) << "beyond the first plane";
    EXPECT_FALSE(CaseFold::equal(QString("ab"), QString("a")));
    // The ends of folded ranges, and the letters just outside them.
    for (const auto &[text, folded] : {std::pair{u"@AZ[`az{", u"@az[`az{"}, {u"×ÀÞß÷µ", u"×àþß÷μ"},
                                       {u"ΑΩ\u03a2ΫςΣ", u"αω\u03a2ϋσσ"}, {u"ＡＺ［", u"ａｚ［"},
                                       {u"\U00010427\U00010428", u"\U0001044f\U00010428"}})
        EXPECT_EQ(CaseFold::folded(QString::fromUtf16(text)), QString::fromUtf16(folded)) << QString::fromUtf16(text).toStdString();
    const QString stray = FileNames::fromBytes("\xc1");
    EXPECT_EQ(CaseFold::folded(stray), stray) << "a stray byte folds to itself";
}

} // namespace
