#include "engine/settings/AppState.h"

bool &Reminders::operator[](int number)
{
    switch (number) {
    case 1: return Options;
    case 2: return Target;
    case 3: return Manual;
    case 4: return Common;
    default: return Swapping;
    }
}

namespace {
AppState g_state;
}

AppState &App() { return g_state; }

void resetAppState() { g_state = AppState(); }
