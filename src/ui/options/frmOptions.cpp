#include "ui/options/frmOptions.h"

#include "ui/options/OptionControls.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/dialogs/frmWarning.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/TwipsLayout.h"
#include "engine/settings/MessageService.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <cmath>

using OptionRules::Field;

namespace {

constexpr int kDesignWidth = 9012;
constexpr int kDesignHeight = 7212;
constexpr int kFrameLeft = 120;
constexpr int kFrameWidth = kDesignWidth - 2 * kFrameLeft;
constexpr int kInnerLeft = 120;
constexpr int kInnerWidth = kFrameWidth - 2 * kInnerLeft;
constexpr int kFrameCaption = 240; // first row inside a frame
constexpr int kRow = 255;          // one line of a check box or option button

constexpr int kGeneralTop = 60;
constexpr int kGeneralHeight = 2880;
constexpr int kIdenticalTop = kFrameCaption + 6 * kRow;
constexpr int kStampTop = 2250;
constexpr int kColumnLeft = 2940;
constexpr int kColumnPitch = 1440;
constexpr int kTextWidth = 720;
constexpr int kUpDownWidth = 240;
constexpr int kTextHeight = 300;

constexpr int kWhichTop = kGeneralTop + kGeneralHeight + 60;
constexpr int kWhichHeight = kFrameCaption + 5 * kRow + 90;
constexpr int kWhenTop = kWhichTop + kWhichHeight + 60;
constexpr int kWhenRow = 420; // two lines
constexpr int kWhenHeight = kFrameCaption + 3 * kWhenRow + 75;

constexpr int kBottomTop = kWhenTop + kWhenHeight + 60;
constexpr int kLevelsLeft = 4560;
constexpr int kLevelsWidth = 1815;
constexpr int kLevelsHeight = 780;
constexpr int kButtonWidth = 1140;
constexpr int kButtonHeight = 420;
constexpr int kButtonTop = kBottomTop + 225;

QPushButton *button(QWidget *parent, const char *name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

template <class W>
W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

QString indexed(const char *name, int index)
{
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index);
}

// A frame whose children are placed in twips from its own top left corner,
// caption included, as the window's controls are from the window's.
QGroupBox *frame(QWidget *parent, const char *name, int width, int height, TwipsLayout **layout)
{
    auto *f = named(new QGroupBox(parent), QString::fromLatin1(name));
    f->setAttribute(Qt::WA_LayoutOnEntireRect);
    *layout = new TwipsLayout(f, width, height);
    return f;
}

TwipsLayout *layoutOf(const QWidget *w)
{
    return w->parentWidget() ? dynamic_cast<TwipsLayout *>(w->parentWidget()->layout()) : nullptr;
}

const char *const kWhenPlain[3][2] = {
    {"... copy the newer file, WITHOUT asking me first.",
     "... να αντιγράφεται το νεώτερο αρχείο, ΧΩΡΙΣ να ερωτηθώ."},
    {"... copy the older file, WITHOUT asking me first.",
     "... να αντιγράφεται το παλαιότερο αρχείο, ΧΩΡΙΣ να ερωτηθώ."},
    {"... I will decide which file to copy.",
     "... θα αποφασίζω εγώ για το ποιό αρχείο θα αντιγράφεται."},
};

const char *const kWhenExtended[3][2] = {
    {"... copy the newer file, WITHOUT asking me first. Any files falling within the date/time "
     "stamp limitations defined above, will NOT be copied.",
     "... να αντιγράφεται το νεώτερο αρχείο, ΧΩΡΙΣ να ερωτηθώ. Όποια αρχεία εμπίπτουν στους "
     "ανωτέρω ορισθέντες περιορισμούς χρονολογίας/ώρας, ΔΕΝ θα αντιγράφονται."},
    {"... copy the older file, WITHOUT asking me first. Any files falling within the date/time "
     "stamp limitations defined above, will NOT be copied.",
     "... να αντιγράφεται το παλαιότερο αρχείο, ΧΩΡΙΣ να ερωτηθώ. Όποια αρχεία εμπίπτουν στους "
     "ανωτέρω ορισθέντες περιορισμούς χρονολογίας/ώρας, ΔΕΝ θα αντιγράφονται."},
    {"... I will decide which file to copy. For any files falling within the date/time stamp "
     "limitations defined above, I will NOT be asked and they will NOT be copied.",
     "... θα αποφασίζω εγώ για το ποιό αρχείο θα αντιγράφεται. Για όποια αρχεία εμπίπτουν στους "
     "ανωτέρω ορισθέντες περιορισμούς χρονολογίας/ώρας, ΔΕΝ θα ερωτώμαι και ΔΕΝ θα αντιγράφονται."},
};

// Whether a one-line caption fits its control at the given size.
bool lineFits(const QWidget *w, const QString &text, QSize size, int padding)
{
    const QFontMetrics fm = w->fontMetrics();
    return fm.horizontalAdvance(text) + padding <= size.width() && fm.height() <= size.height();
}

bool fits(const QWidget *w, const QString &text, QSize size)
{
    if (auto *b = qobject_cast<const QCheckBox *>(w))
        return captionFits(b, text, size);
    if (auto *b = qobject_cast<const QRadioButton *>(w))
        return captionFits(b, text, size);
    if (qobject_cast<const QGroupBox *>(w))
        return lineFits(w, text, QSize(size.width(), w->fontMetrics().height()), 24);
    if (auto *b = qobject_cast<const QPushButton *>(w))
        return lineFits(w, text, size, 2 * b->style()->pixelMetric(QStyle::PM_ButtonMargin));
    return lineFits(w, text, size, 0);
}

} // namespace

frmOptions::frmOptions(QWidget *parent) : SecondaryWindow(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    build();
    setKeyboardOrder();
    // The layout gives every control its design rectangle; a size policy would
    // clamp a wrapped caption or a field to its one-line size.
    for (QWidget *w : findChildren<QWidget *>())
        if (layoutOf(w))
            w->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_scale = fittingScale();
    const QSize design = m_layout->designSize();
    resize(int(std::lround(design.width() * m_scale)), int(std::lround(design.height() * m_scale)));

    connect(chkSwapItems, &QCheckBox::toggled, this, &frmOptions::chkSwapItems_Click);
    connect(chkIdenticalFiles, &QCheckBox::toggled, this, &frmOptions::chkIdenticalFiles_Click);
    connect(chkCaseSensitive, &QCheckBox::toggled, this, &frmOptions::chkCaseSensitive_Click);
    connect(cmdAll, &QPushButton::clicked, this, &frmOptions::cmdAll_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);

    load();
}

bool frmOptions::editOptions(QWidget *parent)
{
    frmOptions w(parent);
    return w.exec() == Accepted;
}

void frmOptions::build()
{
    using ContextHelp::setTopic;
    m_layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);
    auto caption = [this](QWidget *w, const char *en, const char *el) {
        m_captions.push_back({w, en, el});
    };

    // Row 1: the general options.
    TwipsLayout *general = nullptr;
    fraGeneralOptions = frame(this, "fraGeneralOptions", kFrameWidth, kGeneralHeight, &general);
    m_layout->add(fraGeneralOptions, kFrameLeft, kGeneralTop, kFrameWidth, kGeneralHeight);
    caption(fraGeneralOptions, " General options ", " Γενικές επιλογές ");
    setTopic(fraGeneralOptions, 40010);

    struct Box {
        WrapCheckBox **box;
        const char *name;
        int topic;
        const char *en;
        const char *el;
    };
    const Box boxes[] = {
        {&chkCaseSensitive, "chkCaseSensitive", 40020,
         "Distinguish between upper and lower case letters in item names.",
         "Να γίνεται διαχωρισμός ανάμεσα στα πεζά και κεφαλαία γράμματα των ονομάτων των στοιχείων."},
        {&chkCopyStructureOnly, "chkCopyStructureOnly", 40030,
         "ONLY copy the structure of the folders and NOT the files.",
         "Να αντιγραφεί ΜΟΝΟ η δομή των φακέλλων και ΟΧΙ τα αρχεία."},
        {&chkFinalSelection, "chkFinalSelection", 40040,
         "I want to have full control over the items that will be synchronized.",
         "Θέλω να έχω τον πλήρη έλεγχο των στοιχείων τα οποία θα συγχρονισθούν."},
        {&chkDeleteEmptyFolders, "chkDeleteEmptyFolders", 40050,
         "Upon completion of the synchronization, delete empty folders WITHOUT asking me first.",
         "Μετά την ολοκλήρωση του συγχρονισμού, οι άδειοι φάκελλοι να διαγράφονται, ΧΩΡΙΣ να "
         "ερωτηθώ."},
        {&chkDeleteOnCancel, "chkDeleteOnCancel", 40060,
         "If the synchronization gets interrupted, delete the target folder WHITHOUT asking me "
         "first.",
         "Αν ο συγχρονισμός δεν ολοκληρωθεί, να διαγράφεται ο φάκελλος προορισμού ΧΩΡΙΣ να "
         "ερωτηθώ."},
        {&chkSwapItems, "chkSwapItems", 40310,
         "Synchronize the items by SWAPPING them between the source folders.",
         "Ο συγχρονισμός τών στοιχείων να γίνει μέσω ΑΝΤΑΛΛΑΓΗΣ τους στους πηγαίους φακέλλους."},
    };
    int top = kFrameCaption;
    for (const Box &b : boxes) {
        *b.box = named(new WrapCheckBox(fraGeneralOptions), QString::fromLatin1(b.name));
        general->add(*b.box, kInnerLeft, top, kInnerWidth, kRow);
        caption(*b.box, b.en, b.el);
        setTopic(*b.box, b.topic);
        top += kRow;
    }
    chkIdenticalFiles = named(new WrapCheckBox(fraGeneralOptions), QStringLiteral("chkIdenticalFiles"));
    general->add(chkIdenticalFiles, kInnerLeft + 240, kIdenticalTop, kInnerWidth - 240, 2 * 210);
    caption(chkIdenticalFiles,
            "DON'T swap files that exist in both folders, when the difference between their "
            "date/time stamps is...",
            "Να ΜΗΝ ανταλλάσσονται αρχεία τα οποία υπάρχουν και στους δύο φακέλλους, όταν η "
            "διαφορά ανάμεσα στην σήμανση χρονολογίας/ώρας τους είναι...");
    setTopic(chkIdenticalFiles, 40320);

    const char *const stamps[2][2] = {{"...exactly equal to", "...ακριβώς ίση με"},
                                      {"...less than", "...μικρότερη από"}};
    for (int i = 0; i < 2; ++i) {
        optFileDateTimeStamp[i] =
            named(new WrapRadioButton(fraGeneralOptions), indexed("optFileDateTimeStamp", i));
        general->add(optFileDateTimeStamp[i], kInnerLeft + 480, kStampTop + i * kRow, 2220, kRow);
        caption(optFileDateTimeStamp[i], stamps[i][0], stamps[i][1]);
        setTopic(optFileDateTimeStamp[i], 40330 + 10 * i);
    }

    struct Column {
        QLabel **label;
        NumberBox **text;
        UpDown **upDown;
        const char *name;
        Field field;
        const char *en;
        const char *el;
    };
    const Column columns[] = {
        {&lblDays, &txtDays, &updDays, "Days", Field::Days, "Days", "Ημέρες"},
        {&lblHours, &txtHours, &updHours, "Hours", Field::Hours, "Hours", "Ώρες"},
        {&lblMinutes, &txtMinutes, &updMinutes, "Minutes", Field::Minutes, "Minutes", "Πρώτα"},
        {&lblSeconds, &txtSeconds, &updSeconds, "Seconds", Field::Seconds, "Seconds", "Δεύτερα"},
    };
    int left = kColumnLeft;
    int topic = 40350;
    for (const Column &c : columns) {
        const QString name = QString::fromLatin1(c.name);
        *c.label = named(new QLabel(fraGeneralOptions), QStringLiteral("lbl") + name);
        *c.text = named(new NumberBox(c.field, fraGeneralOptions), QStringLiteral("txt") + name);
        *c.upDown = named(new UpDown(*c.text, fraGeneralOptions), QStringLiteral("upd") + name);
        general->add(*c.label, left, kStampTop - 45, kColumnPitch - 120, 210);
        general->add(*c.text, left, kStampTop + 180, kTextWidth, kTextHeight);
        general->add(*c.upDown, left + kTextWidth, kStampTop + 180, kUpDownWidth, kTextHeight);
        caption(*c.label, c.en, c.el);
        // Labels have no help, not even their frame's.
        setTopic(*c.label, 0);
        setTopic(*c.text, topic, ContextHelp::RightClick::KeepsOwnMenu);
        setTopic(*c.upDown, topic + 10);
        left += kColumnPitch;
        topic += 20;
    }

    // Row 2: which items.
    TwipsLayout *which = nullptr;
    fraWhichItemsToCopy = frame(this, "fraWhichItemsToCopy", kFrameWidth, kWhichHeight, &which);
    m_layout->add(fraWhichItemsToCopy, kFrameLeft, kWhichTop, kFrameWidth, kWhichHeight);
    caption(fraWhichItemsToCopy, " Synchronize the items ... ", " Να συγχρονισθούν τα στοιχεία ... ");
    setTopic(fraWhichItemsToCopy, 40070);
    const char *const items[5][2] = {
        {"... which are common to both folders.", "... τα οποία είναι κοινά και στους δύο φακέλλους."},
        {"... which are NON common to both folders.",
         "... τα οποία ΔΕΝ είναι κοινά και στους δύο φακέλλους."},
        {"... of the left folder.", "... του αριστερού φακέλλου."},
        {"... of the right folder.", "... του δεξιού φακέλλου."},
        {"... of both folders.", "... και των δύο φακέλλων."},
    };
    for (int i = 0; i < 5; ++i) {
        optWhichItemsToCopy[i] =
            named(new WrapRadioButton(fraWhichItemsToCopy), indexed("optWhichItemsToCopy", i));
        which->add(optWhichItemsToCopy[i], kInnerLeft, kFrameCaption + i * kRow, kInnerWidth, kRow);
        caption(optWhichItemsToCopy[i], items[i][0], items[i][1]);
        setTopic(optWhichItemsToCopy[i], 40080 + 10 * i);
    }

    // Row 3: a file on both sides. Captions change with the exclusion, so they
    // are not in the caption list.
    TwipsLayout *when = nullptr;
    fraWhenFileExists = frame(this, "fraWhenFileExists", kFrameWidth, kWhenHeight, &when);
    m_layout->add(fraWhenFileExists, kFrameLeft, kWhenTop, kFrameWidth, kWhenHeight);
    caption(fraWhenFileExists, " When a file exists in both folders ... ",
            " Όταν ένα αρχείο υπάρχει και στους δύο φακέλλους ... ");
    setTopic(fraWhenFileExists, 40130);
    for (int i = 0; i < 3; ++i) {
        optWhenFileExists[i] =
            named(new WrapRadioButton(fraWhenFileExists), indexed("optWhenFileExists", i));
        when->add(optWhenFileExists[i], kInnerLeft, kFrameCaption + i * kWhenRow, kInnerWidth, kWhenRow);
        setTopic(optWhenFileExists[i], 40140 + 10 * i);
    }

    // Row 4.
    chkShowOptions = named(new WrapCheckBox(this), QStringLiteral("chkShowOptions"));
    m_layout->add(chkShowOptions, kFrameLeft, kBottomTop + 180, kLevelsLeft - 120 - kFrameLeft, 2 * 210);
    caption(chkShowOptions,
            "I want this form to be displayed, before the synchronization process commences.",
            "Πριν αρχίσει ο συγχρονισμός, θέλω να εμφανίζεται αυτή η οθόνη.");
    setTopic(chkShowOptions, 40230);

    fraLevels = frame(this, "fraLevels", kLevelsWidth, kLevelsHeight, &m_levelsLayout);
    m_layout->add(fraLevels, kLevelsLeft, kBottomTop, kLevelsWidth, kLevelsHeight);
    caption(fraLevels, " Levels ", " Επίπεδα ");
    setTopic(fraLevels, 40170);
    cmdAll = button(fraLevels, "cmdAll");
    txtLevels = named(new NumberBox(Field::Levels, fraLevels), QStringLiteral("txtLevels"));
    updLevels = named(new UpDown(txtLevels, fraLevels), QStringLiteral("updLevels"));
    m_levelsLayout->add(cmdAll, 120, 300, 660, kTextHeight);
    m_levelsLayout->add(txtLevels, 840, 300, 720, kTextHeight);
    m_levelsLayout->add(updLevels, 840 + 720, 300, kUpDownWidth, kTextHeight);
    caption(cmdAll, "All", "Όλα");
    setTopic(cmdAll, 40180);
    setTopic(txtLevels, 40190, ContextHelp::RightClick::KeepsOwnMenu);
    setTopic(updLevels, 40200);

    cmdCancel = button(this, "cmdCancel");
    cmdOK = button(this, "cmdOK");
    m_layout->add(cmdCancel, kDesignWidth - kFrameLeft - 2 * kButtonWidth - 120, kButtonTop,
                  kButtonWidth, kButtonHeight);
    m_layout->add(cmdOK, kDesignWidth - kFrameLeft - kButtonWidth, kButtonTop, kButtonWidth,
                  kButtonHeight);
    caption(cmdCancel, "Cancel", "Άκυρο");
    caption(cmdOK, "OK", "OK");
    setTopic(cmdCancel, 40210);
    setTopic(cmdOK, 40220);
}

void frmOptions::setKeyboardOrder()
{
    QList<QWidget *> order = {chkCaseSensitive,        chkCopyStructureOnly,    chkFinalSelection,
                              chkDeleteEmptyFolders,   chkDeleteOnCancel,       chkSwapItems,
                              chkIdenticalFiles,       optFileDateTimeStamp[0], optFileDateTimeStamp[1],
                              txtDays,                 txtHours,                txtMinutes,
                              txtSeconds};
    for (QWidget *w : optWhichItemsToCopy)
        order << w;
    for (QWidget *w : optWhenFileExists)
        order << w;
    order << cmdAll << txtLevels << chkShowOptions << cmdOK << cmdCancel;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

double frmOptions::fittingScale() const
{
    auto sizeAt = [](const QWidget *w, double scale) {
        const TwipsLayout *l = layoutOf(w);
        const QRect t = l ? l->twips(const_cast<QWidget *>(w)) : QRect();
        return QSize(int(std::floor(t.width() / 15.0 * scale)), int(std::floor(t.height() / 15.0 * scale)));
    };
    auto allFit = [&](double scale) {
        for (const Caption &c : m_captions)
            for (const char *text : {c.english, c.greek})
                if (!fits(c.control, QString::fromUtf8(text), sizeAt(c.control, scale)))
                    return false;
        for (int i = 0; i < 3; ++i)
            for (const auto *forms : {kWhenPlain, kWhenExtended})
                for (const char *text : forms[i])
                    if (!fits(optWhenFileExists[i], QString::fromUtf8(text),
                              sizeAt(optWhenFileExists[i], scale)))
                        return false;
        return true;
    };
    return TwipsLayout::fittingScale(this, m_layout->designSize(), allFit);
}

void frmOptions::setCaptions()
{
    setWindowTitle(tx("Options", "Επιλογές"));
    for (const Caption &c : m_captions) {
        if (c.control == cmdOK)
            continue; // comes later in the loading order
        const QString text = tx(c.english, c.greek);
        if (auto *f = qobject_cast<QGroupBox *>(c.control))
            f->setTitle(text);
        else if (auto *l = qobject_cast<QLabel *>(c.control))
            l->setText(text);
        else if (auto *b = qobject_cast<QAbstractButton *>(c.control))
            b->setText(text);
    }
    setWhenFileExistsCaptions(false);
}

void frmOptions::setWhenFileExistsCaptions(bool extended)
{
    const auto &texts = extended ? kWhenExtended : kWhenPlain;
    for (int i = 0; i < 3; ++i)
        optWhenFileExists[i]->setText(tx(texts[i][0], texts[i][1]));
}

void frmOptions::load()
{
    guarded(Loc::OptionsLoad, [this] {
        const Options &o = App().OptionValues;
        auto choose = [](WrapRadioButton *const *group, int count, int value) {
            if (value < 1 || value > count)
                throw AppError(ErrorCode::SubscriptOutOfRange,
                               errorText(ErrorCode::SubscriptOutOfRange));
            group[value - 1]->setChecked(true);
        };
        setCaptions();
        chkCopyStructureOnly->setChecked(o.CopyStructureOnly);
        choose(optWhichItemsToCopy, 5, o.WhichItemsToCopy);
        choose(optWhenFileExists, 3, o.WhenFileExists);
        chkIdenticalFiles->setChecked(o.ExcludeFilesFromSwapping);
        optFileDateTimeStamp[o.Exactly ? 0 : 1]->setChecked(true);
        txtDays->setText(QString::number(o.Days));
        txtHours->setText(QString::number(o.Hours));
        txtMinutes->setText(QString::number(o.Minutes));
        txtSeconds->setText(QString::number(o.Seconds));
        chkFinalSelection->setChecked(o.FinalSelection);
        chkDeleteOnCancel->setChecked(o.DeleteOnCancel);
        chkDeleteEmptyFolders->setChecked(o.DeleteEmptyFolders);
        // Hidden, the box's handler stays silent: loading is no user's choice.
        // It shows the stored choice, so that OK never takes back one made
        // earlier in this session.
        chkCaseSensitive->setVisible(false);
        chkCaseSensitive->setChecked(false);
        if (App().CaseSensitiveAtNextStart)
            chkCaseSensitive->setChecked(true);
        chkCaseSensitive->setVisible(true);
        chkShowOptions->setChecked(o.ShowOptions);
        cmdOK->setText(QStringLiteral("OK"));
        txtLevels->setText(QString::number(o.Levels));
        const QRect levels = m_levelsLayout->twips(txtLevels);
        for (QWidget *w : {static_cast<QWidget *>(updLevels), static_cast<QWidget *>(cmdAll)}) {
            const QRect r = m_levelsLayout->twips(w);
            m_levelsLayout->setTwips(w, r.left(), levels.top(), r.width(), levels.height());
        }
        // Marked, the box's handler applies the rules without the reminder; run
        // once more in case the value did not change.
        chkSwapItems->setProperty("Tag", QStringLiteral("internal"));
        chkSwapItems->setChecked(o.SwapItems);
        chkSwapItems_Click();
        chkSwapItems->setProperty("Tag", QString());
    });
}

void frmOptions::applyControlStates()
{
    const OptionRules::ControlStates s =
        OptionRules::controlStates(chkSwapItems->isChecked(), chkIdenticalFiles->isChecked());
    chkDeleteEmptyFolders->setEnabled(s.deleteEmptyFolders);
    chkDeleteOnCancel->setEnabled(s.deleteOnCancel);
    chkIdenticalFiles->setEnabled(s.identicalFiles);
    const QList<QWidget *> stamp = {optFileDateTimeStamp[0], optFileDateTimeStamp[1],
                                    lblDays, txtDays, updDays, lblHours, txtHours, updHours,
                                    lblMinutes, txtMinutes, updMinutes, lblSeconds, txtSeconds,
                                    updSeconds};
    for (QWidget *w : stamp)
        w->setEnabled(s.dateTimeStamp);
    setWhenFileExistsCaptions(s.extendedCaptions);
}

void frmOptions::chkSwapItems_Click()
{
    applyControlStates();
    const bool byWindow =
        chkSwapItems->property("Tag").toString().toLower() == QLatin1String("internal");
    if (!byWindow && chkSwapItems->isChecked()) {
        App().CurrentReminder = 5;
        ShowReminder();
    }
}

void frmOptions::chkIdenticalFiles_Click() { applyControlStates(); }

void frmOptions::chkCaseSensitive_Click()
{
    if (chkCaseSensitive->isHidden())
        return;
    MsgBox(OptionRules::caseSensitivityPrompt(chkCaseSensitive->isChecked()),
           Msg::Information | Msg::OkOnly, OptionRules::caseSensitivityTitle());
}

void frmOptions::cmdAll_Click() { txtLevels->setText(QStringLiteral("0")); }

OptionRules::OptionsInput frmOptions::input() const
{
    auto selected = [](WrapRadioButton *const *group, int count) {
        for (int i = 0; i < count; ++i)
            if (group[i]->isChecked())
                return i + 1;
        return 0;
    };
    OptionRules::OptionsInput in;
    in.WhichItemsToCopy = selected(optWhichItemsToCopy, 5);
    in.WhenFileExists = selected(optWhenFileExists, 3);
    in.CopyStructureOnly = chkCopyStructureOnly->isChecked();
    in.DeleteEmptyFolders = chkDeleteEmptyFolders->isChecked();
    in.DeleteOnCancel = chkDeleteOnCancel->isChecked();
    in.SwapItems = chkSwapItems->isChecked();
    in.ExcludeFilesFromSwapping = chkIdenticalFiles->isChecked();
    in.Exactly = optFileDateTimeStamp[0]->isChecked();
    in.Days = txtDays->text();
    in.Hours = txtHours->text();
    in.Minutes = txtMinutes->text();
    in.Seconds = txtSeconds->text();
    in.FinalSelection = chkFinalSelection->isChecked();
    in.CaseSensitive = chkCaseSensitive->isChecked();
    in.ShowOptions = chkShowOptions->isChecked();
    in.Levels = txtLevels->text();
    return in;
}

void frmOptions::cmdOK_Click()
{
    const bool stored = guarded(Loc::OptionsOk, [this] {
        // A field emptied by an out-of-range entry counts as left, even when OK
        // was pressed without the focus moving (a shortcut, the program).
        for (NumberBox *t : {txtDays, txtHours, txtMinutes, txtSeconds, txtLevels})
            t->setText(OptionRules::afterLeaving(t->text()));
        OptionRules::storeOptions(input());
    });
    if (stored)
        done(Accepted);
}

void frmOptions::cmdCancel_Click() { done(Rejected); }
