// TForm6: the FSK queue sync window.
#include "signalling/Unit6.h"

namespace {

TransferPlan plan()
{
    TransferPlan p;
    p.blockType = frame::kFskBlock;
    p.blockCount = 3;
    return p;
}

} // namespace

TForm6::TForm6(RadioLink &link, QWidget *parent) : SignallingWindow(link, plan(), parent)
{
    resize(640, 480);
}

BlockLayout TForm6::blockLayout() const
{
    return BlockLayout(3);
}
