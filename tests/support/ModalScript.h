// Runs a modal dialog of this process with a test script that acts from inside its modal loop.
#pragma once

#include <functional>

#include "platform/AfxWin.h"

// Shows dlg modally; once its window exists, script(dialog window) runs on this thread, inside
// the dialog's message loop. A dialog that the script leaves open is cancelled afterwards. A
// script may itself run another dialog with RunModal.
// Returns what DoModal returned.
INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& script);
