// The modal message boxes of the program, installed as the box presenter at start.
#pragma once

#include "rtl/dialogs.h"

#include <memory>

class QMessageBox;

// The box for one message: "Error" with a Yes button, the plain box with OK, or the standard
// error box; above any window that stays on top (the progress window), buttons in Chinese for
// a Chinese text, and the message's further button when it has one.
std::unique_ptr<QMessageBox> buildMessageBox(const rtl::dialogs::Shown &box);
// Shows it modally and runs the further action when the user chose it.
void showMessageBox(const rtl::dialogs::Shown &box);
