// The receive path: bursts from the line into the dispatcher while one transfer runs (a channel
// read or write, or a read or write of one of the four signalling windows). Whatever arrives,
// every block counter stays in its range and the channel table keeps its 16 channels.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "channels/channeltable.h"
#include "protocol/channeltransfer.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

rtl::dialogs::Recording *boxes = nullptr; // "发送失败!" and the rest are only recorded

constexpr int kMaxBurst = 64;
constexpr int kBlockCounts[] = {frame::kDtmfBlockCount, frame::kFskBlockCount, frame::kTwoToneBlockCount,
                                frame::kFiveToneBlockCount};

QList<SignallingWindow *> signallingWindows()
{
    return {Form2, Form6, Form4, Form5};
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    boxes = new rtl::dialogs::Recording;
    createForms();
    for (SignallingWindow *window : signallingWindows())
        window->ensurePortOpen = nullptr; // the port stays closed: what is sent goes nowhere
    return 0;
}

// Byte 0 picks the transfer; then each burst is a length byte (1–64) and that many bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    boxes->clear();
    const int pick = data[0] % 10;
    RadioLink &link = Form1->link();
    // Each input starts from an empty table, as the program does.
    for (int row = 1; row <= frame::kChannelCount; ++row)
        for (int col = 1; col < kChannelColumnCount; ++col)
            Form1->texts().setCell(col, row, QString());
    for (int index = 1; index <= kSettingCount; ++index)
        Form1->texts().setSetting(index, settingDefs().at(index).initialText);
    SignallingWindow *window = pick >= 2 ? signallingWindows().at((pick - 2) / 2) : nullptr;
    // On the closed port: what the transfers send goes nowhere.
    if (pick == 0) {
        Form1->channelTransfer().startRead([](const TransferOutcome &o) { Form1->applyRead(o.frames, QString()); });
    } else if (pick == 1) {
        rtl::guard([&] { Form1->channelTransfer().startWrite(Form1->texts(), {}); });
    } else {
        // Under the guard, as a click runs: a refused start shows its message.
        rtl::guard([&] { pick % 2 == 0 ? window->rbtnClick() : window->wbtnClick(); });
    }

    for (size_t at = 1; at < size;) {
        const size_t length = std::min<size_t>(data[at] % kMaxBurst + 1, size - at - 1);
        ++at;
        if (length == 0)
            break;
        // The serial component raises its receive event under the guard.
        rtl::guard([&] { Form1->Comm1ReceiveData(reinterpret_cast<const char *>(data + at), std::uint16_t(length)); });
        at += length;
        check(link.readBlockCounter() >= 0 && link.readBlockCounter() <= ChannelTransfer::kBlockCount);
        check(link.writeBlockCounter() >= 0 && link.writeBlockCounter() <= ChannelTransfer::kBlockCount);
        if (window)
            check(window->blockCounter() >= 0 && window->blockCounter() <= kBlockCounts[(pick - 2) / 2]);
        check(Form1->texts().rowCount() == frame::kChannelCount + 1);
    }

    // Back to idle for the next input.
    for (SignallingWindow *w : signallingWindows())
        w->abortExchange();
    Form1->abortChannelTransfer();
    Form3->Button2Click();
    link.clearReceiveState();
    link.setReadBlockCounter(0);
    link.setWriteBlockCounter(0);
    return 0;
}
