#include "engine/settings/CloseRefusal.h"

#include "engine/settings/Texts.h"
#include "engine/settings/MessageService.h"

bool CloseRefusal(CloseReason reason)
{
    if (reason != CloseReason::ControlMenu)
        return false;
    MsgBox(tx("For technical reasons, it is impossible to close the form, using the control menu.",
              "Για τεχνικούς λόγους, το κλείσιμο της φόρμας από το μενού ελέγχου, δεν επιτρέπεται."),
           Msg::Information, tx("Closing form", "Κλείσιμο φόρμας"));
    return true;
}
