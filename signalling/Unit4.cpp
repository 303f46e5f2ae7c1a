// TForm4: the two-tone window.
#include "signalling/Unit4.h"

namespace {

TransferPlan plan()
{
    TransferPlan p;
    p.blockType = frame::kTwoToneBlock;
    p.blockCount = 11;
    return p;
}

} // namespace

TForm4::TForm4(RadioLink &link, QWidget *parent) : SignallingWindow(link, plan(), parent)
{
    resize(640, 480);
}

BlockLayout TForm4::blockLayout() const
{
    return BlockLayout(11);
}
