// TForm6: the FSK queue sync window.
#include "signalling/Unit6.h"

TForm6::TForm6(RadioLink &link, QWidget *parent) : SignallingWindow(link, parent)
{
    resize(640, 480);
}

void TForm6::SendNextBlock() {}

void TForm6::ReceiveBlock() {}
