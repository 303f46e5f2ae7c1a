// What a transfer shows while it runs: whether its read or its write is under way, and how far
// it has got. A window backs it with its buttons and progress bar; a headless run with plain state.
#pragma once

class TransferView {
public:
    virtual ~TransferView() = default;

    // A read runs while this is true (a window: its rbtn is disabled); likewise the write.
    virtual bool readRunning() const = 0;
    virtual bool writeRunning() const = 0;
    virtual void setReadRunning(bool running) = 0;
    virtual void setWriteRunning(bool running) = 0;

    virtual void showProgress(int maximum, int value) = 0; // range 0–maximum
    virtual int progress() const = 0;
    virtual void setProgress(int value) = 0;
    virtual void hideProgress() = 0;
};

// The view of a transfer nobody watches: the state alone.
class PlainTransferView : public TransferView {
public:
    bool readRunning() const override { return m_reading; }
    bool writeRunning() const override { return m_writing; }
    void setReadRunning(bool running) override { m_reading = running; }
    void setWriteRunning(bool running) override { m_writing = running; }
    void showProgress(int maximum, int value) override
    {
        m_maximum = maximum;
        m_value = value;
        m_shown = true;
    }
    int progress() const override { return m_value; }
    void setProgress(int value) override { m_value = value; }
    void hideProgress() override { m_shown = false; }

    int maximum() const { return m_maximum; }
    bool progressShown() const { return m_shown; }

private:
    bool m_reading = false;
    bool m_writing = false;
    bool m_shown = false;
    int m_maximum = 0;
    int m_value = 0;
};
