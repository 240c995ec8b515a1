#include "frmWarning.h"

void ShowReminder() {}
