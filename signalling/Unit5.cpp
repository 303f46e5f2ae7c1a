// TForm5: the five-tone window.
#include "signalling/Unit5.h"

namespace {

TransferPlan plan()
{
    TransferPlan p;
    p.blockType = frame::kFiveToneBlock;
    p.blockCount = 17;
    return p;
}

} // namespace

TForm5::TForm5(RadioLink &link, QWidget *parent) : SignallingWindow(link, plan(), parent)
{
    resize(640, 480);
}

BlockLayout TForm5::blockLayout() const
{
    return BlockLayout(17);
}
