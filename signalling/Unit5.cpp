// TForm5: the five tone window.
#include "signalling/Unit5.h"

TForm5::TForm5(RadioLink &link, QWidget *parent) : SignallingWindow(link, parent)
{
    resize(640, 480);
}

void TForm5::SendNextBlock() {}

void TForm5::ReceiveBlock() {}
