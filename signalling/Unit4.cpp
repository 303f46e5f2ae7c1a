// TForm4: the two tone window.
#include "signalling/Unit4.h"

TForm4::TForm4(RadioLink &link, QWidget *parent) : SignallingWindow(link, parent)
{
    resize(640, 480);
}

void TForm4::SendNextBlock() {}

void TForm4::ReceiveBlock() {}
