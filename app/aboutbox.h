// 帮助 → 关于.
#pragma once

class QWidget;

// Version, Qt version and licence. The box is window-modal and returns at once.
void showAboutBox(QWidget *parent);
