#pragma once

#include "engine/settings/MessageService.h"

#include <QObject>

class QMessageBox;

// Message boxes as Qt message boxes. Safe to call from a worker thread: the
// box is shown on the interface thread and the caller waits for the answer.
class QtMessageService : public QObject, public MessageService {
    Q_OBJECT
public:
    using QObject::QObject;
    int show(const QString &prompt, const QString &title, int style) override;
    void beep() override;

    Q_INVOKABLE int showHere(const QString &prompt, const QString &title, int style);
    // Gives box the program's look of a message: icon, texts, buttons, default.
    static void prepare(QMessageBox &box, const QString &prompt, const QString &title, int style);
};
