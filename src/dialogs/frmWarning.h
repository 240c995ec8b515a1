#pragma once

// Shows reminder App().CurrentReminder (1..5) and waits for it, unless the
// user switched that reminder off.
void ShowReminder();
