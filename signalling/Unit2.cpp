// TForm2: the DTMF window.
#include "signalling/Unit2.h"

TForm2::TForm2(RadioLink &link, QWidget *parent) : SignallingWindow(link, parent)
{
    resize(640, 480);
}

void TForm2::SendNextBlock() {}

void TForm2::ReceiveBlock() {}
