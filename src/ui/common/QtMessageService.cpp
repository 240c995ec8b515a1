#include "ui/common/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "engine/settings/Texts.h"

int QtMessageService::show(const QString &prompt, const QString &title, int style)
{
    if (QThread::currentThread() == thread())
        return showHere(prompt, title, style);
    int answer = Msg::Cancel;
    QMetaObject::invokeMethod(this, "showHere", Qt::BlockingQueuedConnection,
                              Q_RETURN_ARG(int, answer), Q_ARG(QString, prompt),
                              Q_ARG(QString, title), Q_ARG(int, style));
    return answer;
}

void QtMessageService::beep() { QApplication::beep(); }

int QtMessageService::showHere(const QString &prompt, const QString &title, int style)
{
    QMessageBox box(QApplication::activeWindow());
    prepare(box, prompt, title, style);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return Msg::Ok;
    case QMessageBox::Yes: return Msg::Yes;
    case QMessageBox::No: return Msg::No;
    case QMessageBox::Cancel: return Msg::Cancel;
    default:
        // Closed with Escape or the title bar: the safe answer.
        return Msg::buttons(style) == Msg::YesNo ? Msg::No
               : Msg::buttons(style) == Msg::OkCancel ? Msg::Cancel
                                                     : Msg::Ok;
    }
}

void QtMessageService::prepare(QMessageBox &box, const QString &prompt, const QString &title, int style)
{
    switch (Msg::icon(style)) {
    case Msg::Critical: box.setIcon(QMessageBox::Critical); break;
    case Msg::Question: box.setIcon(QMessageBox::Question); break;
    case Msg::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Msg::Information: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Button texts follow the program's language, not the desktop's.
    auto add = [&box](QMessageBox::StandardButton b, const char *en, const char *el) {
        box.addButton(b)->setText(tx(en, el));
    };
    switch (Msg::buttons(style)) {
    case Msg::OkCancel:
        add(QMessageBox::Ok, "OK", "OK");
        add(QMessageBox::Cancel, "Cancel", "Άκυρο");
        box.setDefaultButton(Msg::secondIsDefault(style) ? QMessageBox::Cancel : QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Msg::YesNo:
        add(QMessageBox::Yes, "Yes", "Ναι");
        add(QMessageBox::No, "No", "Όχι");
        box.setDefaultButton(Msg::secondIsDefault(style) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        add(QMessageBox::Ok, "OK", "OK");
        break;
    }
}
