#pragma once

// Why a secondary window is asked to close.
enum class CloseReason {
    ControlMenu, // title-bar button, the window menu's Close, the close shortcut
    Other,       // the program itself, the session ending, a task manager
};

// Refuses a close from the control menu, with a message; returns whether the
// close must be cancelled.
bool CloseRefusal(CloseReason reason);
