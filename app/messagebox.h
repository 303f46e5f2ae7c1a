// The modal message boxes of the program, installed as the box presenter at start.
#pragma once

#include "rtl/dialogs.h"

// Shows one box: "Error" with a Yes button, the plain box with OK, or the standard error box.
void showMessageBox(const rtl::dialogs::Shown &box);
