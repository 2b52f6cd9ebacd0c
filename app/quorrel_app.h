// Start-up: runs the main dialog modally; the program ends with it.
#pragma once

#include "quorrel_dlg.h"

class CQuorrelApp {
public:
    // Runs the dialog until it ends. Always answers false: there is nothing
    // left to run afterwards.
    bool InitInstance(const DialogServices& services = DialogServices::standard());
};
