#include "ui/run/frmSelectFile.h"

#include "engine/run/RunText.h"
#include "engine/settings/AppState.h"
#include "engine/settings/ErrorReport.h"
#include "engine/settings/Texts.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Icons.h"
#include "ui/common/TwipsLayout.h"
#include "ui/options/OptionControls.h"
#include "engine/fs/FileNames.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kDesignWidth = 11172;
constexpr int kDesignHeight = 3852;
constexpr int kFrameWidth = 7932;
constexpr int kFrameHeight = 1332;
constexpr int kRuleAsk = 3;

struct Caption {
    const char *english;
    const char *greek;
};

constexpr Caption kTitle = {"Select the file you want to be copied",
                            "Επιλέξτε το αρχείο που θέλετε να αντιγραφεί"};
constexpr Caption kCopy = {"Copy this file", "Να αντιγραφεί αυτό το αρχείο"};
constexpr Caption kDoNotCopy = {"Do not copy any of these files", "Να μην αντιγραφεί κανένα αρχείο"};
constexpr Caption kFrame = {" For the remaining common files ... ",
                            " Για τα υπόλοιπα κοινά αρχεία που απομένουν ... "};
constexpr Caption kRules[4] = {
    {"... copy the newer file, WITHOUT ASKING ME ANY MORE.",
     "... να αντιγράφεται το νεώτερο αρχείο, ΧΩΡΙΣ ΝΑ ΕΡΩΤΗΘΩ ΞΑΝΑ."},
    {"... copy the older file, WITHOUT ASKING ME ANY MORE.",
     "... να αντιγράφεται το παλαιότερο αρχείο, ΧΩΡΙΣ ΝΑ ΕΡΩΤΗΘΩ ΞΑΝΑ."},
    {"... I will continue to decide which file to copy.",
     "... θα συνεχίσω να αποφασίζω εγώ για το ποιό αρχείο θα αντιγράφεται."},
    {"... copy nothing, AND DON'T ASK ME ANY MORE.",
     "... να μην αντιγραφεί κανένα, ΚΑΙ ΝΑ ΜΗΝ ΕΡΩΤΗΘΩ ΞΑΝΑ."},
};

QString indexed(const char *name, int index)
{
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index);
}

QString text(const Caption &c) { return tx(c.english, c.greek); }

// A path longer than its label loses its middle, not its file name; the whole
// path stays the label's text and its tool tip.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = contentsRect();
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
    }
};

QPushButton *button(QWidget *parent, const QString &name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    // Neither Enter nor a stray key picks a version: only a deliberate press.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// Whether a one-line text fits a control of the given size.
bool lineFits(const QWidget *w, const QString &s, QSize size, int padding)
{
    const QFontMetrics fm = w->fontMetrics();
    return fm.horizontalAdvance(s) + padding <= size.width() && fm.height() <= size.height();
}

QString longDateTime(const QDateTime &stamp)
{
    if (!stamp.isValid())
        return {};
    const QLocale locale(App().LanguageIsGreek ? QLocale::Greek : QLocale::English);
    return locale.toString(stamp.date(), QLocale::LongFormat) + QStringLiteral(" - ")
           + locale.toString(stamp.time(), QLocale::LongFormat);
}
} // namespace

frmSelectFile::frmSelectFile(const FileChoiceFile &upper, const FileChoiceFile &lower,
                             int remainingChoice, QWidget *parent)
    : SecondaryWindow(parent)
{
    setObjectName(QStringLiteral("frmSelectFile"));
    // The window is only asked for while the rule is "ask"; anything else
    // coming in would leave no option selected and no rule to give back.
    m_remainingChoice = remainingChoice >= 1 && remainingChoice <= 4 ? remainingChoice : kRuleAsk;

    m_layout = new TwipsLayout(this, kDesignWidth, kDesignHeight);
    auto label = [this](QLabel *l, const QString &name, int left, int top, int width) {
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_layout->add(l, left, top, width, 252);
        return l;
    };
    const int rowTop[2] = {240, 1440};
    for (int i = 0; i < 2; ++i) {
        lblName[i] = label(new PathLabel(this), indexed("lblName", i), 120, rowTop[i], 10932);
        // Both sizes as wide, so the two coloured rows line up.
        lblSize[i] = label(new QLabel(this), indexed("lblSize", i), 120, rowTop[i] + 480, 2412);
        lblDate[i] = label(new QLabel(this), indexed("lblDate", i), 2760, rowTop[i] + 480, 5292);
        cmdCopy[i] = button(this, indexed("cmdCopy", i));
        m_layout->add(cmdCopy[i], 8160, rowTop[i] + 360, 2892, 492);
        ContextHelp::setTopic(lblName[i], 80010 + 40 * i);
        ContextHelp::setTopic(lblSize[i], 80020 + 40 * i);
        ContextHelp::setTopic(lblDate[i], 80030 + 40 * i);
        ContextHelp::setTopic(cmdCopy[i], 80040 + 40 * i);
        connect(cmdCopy[i], &QPushButton::clicked, this, [this, i] { cmdCopy_Click(i); });
    }

    fraTempOptions = new QGroupBox(this);
    fraTempOptions->setObjectName(QStringLiteral("fraTempOptions"));
    // The options are placed from the frame's own top left corner, caption included.
    fraTempOptions->setAttribute(Qt::WA_LayoutOnEntireRect);
    auto *frameLayout = new TwipsLayout(fraTempOptions, kFrameWidth, kFrameHeight);
    m_layout->add(fraTempOptions, 120, 2400, kFrameWidth, kFrameHeight);
    ContextHelp::setTopic(fraTempOptions, 80090);
    for (int i = 0; i < 4; ++i) {
        optTempOptions[i] = new QRadioButton(fraTempOptions);
        optTempOptions[i]->setObjectName(indexed("optTempOptions", i));
        frameLayout->add(optTempOptions[i], 240, 240 * (i + 1), 7572, 252);
        ContextHelp::setTopic(optTempOptions[i], 80100 + 10 * i);
    }

    cmdDoNotCopy = button(this, QStringLiteral("cmdDoNotCopy"));
    m_layout->add(cmdDoNotCopy, 8160, 3000, 2892, 492);
    ContextHelp::setTopic(cmdDoNotCopy, 80140);
    connect(cmdDoNotCopy, &QPushButton::clicked, this, &frmSelectFile::cmdDoNotCopy_Click);

    // The layouts give every control its design rectangle; a size policy would
    // clamp a button to its one-line height.
    for (QWidget *w : findChildren<QWidget *>())
        w->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    QWidget::setTabOrder(cmdCopy[0], cmdCopy[1]);
    QWidget::setTabOrder(cmdCopy[1], cmdDoNotCopy);
    QWidget::setTabOrder(cmdDoNotCopy, fraTempOptions);
    QWidget *previous = fraTempOptions;
    for (QRadioButton *o : optTempOptions) {
        QWidget::setTabOrder(previous, o);
        previous = o;
    }

    load(upper, lower);
    const double scale = fittingScale();
    const QSize design = m_layout->designSize();
    resize(int(std::lround(design.width() * scale)), int(std::lround(design.height() * scale)));
    cmdCopy[0]->setFocus();
}

int frmSelectFile::choose(const FileChoiceFile &upper, const FileChoiceFile &lower, int &remainingChoice,
                          QWidget *parent)
{
    // Windows live on the interface thread; a run on a worker waits for it.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        int answer = -1;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { answer = choose(upper, lower, remainingChoice, parent); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    frmSelectFile w(upper, lower, remainingChoice, parent);
    w.exec();
    remainingChoice = w.remainingChoice();
    return w.fileChoice();
}

void frmSelectFile::load(const FileChoiceFile &upper, const FileChoiceFile &lower)
{
    guarded(Loc::FileChoiceLoad, [&] {
        setWindowTitle(text(kTitle));
        for (QPushButton *b : cmdCopy)
            b->setText(text(kCopy));
        cmdDoNotCopy->setText(text(kDoNotCopy));
        fraTempOptions->setTitle(text(kFrame));
        for (int i = 0; i < 4; ++i)
            optTempOptions[i]->setText(text(kRules[i]));

        const FileChoiceFile *files[2] = {&upper, &lower};
        for (int i = 0; i < 2; ++i) {
            for (QLabel *l : {lblName[i], lblSize[i], lblDate[i]}) {
                l->setAutoFillBackground(true);
                QPalette pal = l->palette();
                pal.setColor(QPalette::Window, colorOf(App().SideColor[i]));
                l->setPalette(pal);
            }
            const QString path = FileNames::shown(files[i]->path);
            lblName[i]->setText(QLatin1Char(' ') + path);
            lblName[i]->setToolTip(Qt::convertFromPlainText(path, Qt::WhiteSpaceNoWrap));
            lblSize[i]->setText(RunText::formatCount(files[i]->size));
            lblDate[i]->setText(longDateTime(files[i]->modified));
        }
        optTempOptions[m_remainingChoice - 1]->setChecked(true);
    });
}

// The smallest proportional enlargement at which every caption of either
// language shows whole with the desktop's font, and so do the two dates.
double frmSelectFile::fittingScale() const
{
    auto sizeAt = [](const QWidget *w, double scale) {
        const auto *l = dynamic_cast<const TwipsLayout *>(w->parentWidget()->layout());
        const QRect t = l->twips(const_cast<QWidget *>(w));
        return QSize(int(std::floor(t.width() / 15.0 * scale)), int(std::floor(t.height() / 15.0 * scale)));
    };
    const int buttonPadding = 2 * style()->pixelMetric(QStyle::PM_ButtonMargin);
    auto allFit = [&](double scale) {
        for (int lang = 0; lang < 2; ++lang) {
            auto pick = [lang](const Caption &c) {
                return QString::fromUtf8(lang == 0 ? c.english : c.greek);
            };
            for (const QPushButton *b : {cmdCopy[0], cmdCopy[1], cmdDoNotCopy})
                if (!lineFits(b, pick(b == cmdDoNotCopy ? kDoNotCopy : kCopy), sizeAt(b, scale),
                              buttonPadding))
                    return false;
            const QSize frame = sizeAt(fraTempOptions, scale);
            if (!lineFits(fraTempOptions, pick(kFrame),
                          QSize(frame.width(), fraTempOptions->fontMetrics().height()), 24))
                return false;
            for (int i = 0; i < 4; ++i)
                if (!captionFits(optTempOptions[i], pick(kRules[i]), sizeAt(optTempOptions[i], scale)))
                    return false;
        }
        for (int i = 0; i < 2; ++i)
            for (const QLabel *l : {lblSize[i], lblDate[i]})
                if (!lineFits(l, l->text(), sizeAt(l, scale), 0))
                    return false;
        return true;
    };
    return TwipsLayout::fittingScale(this, m_layout->designSize(), allFit);
}

void frmSelectFile::takeRemainingChoice()
{
    for (int i = 0; i < 4; ++i)
        if (optTempOptions[i]->isChecked())
            m_remainingChoice = i + 1;
}

bool frmSelectFile::allowClose(CloseReason reason)
{
    const bool allowed = SecondaryWindow::allowClose(reason);
    takeRemainingChoice();
    return allowed;
}

void frmSelectFile::closeEvent(QCloseEvent *event)
{
    SecondaryWindow::closeEvent(event);
    takeRemainingChoice();
}

void frmSelectFile::cmdCopy_Click(int index)
{
    m_fileChoice = index;
    close();
}

void frmSelectFile::cmdDoNotCopy_Click()
{
    m_fileChoice = -1;
    close();
}
