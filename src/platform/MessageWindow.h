// A hidden window that receives posted messages: any thread posts, the user-interface thread
// receives them in posting order. Codec libraries see it through the C handle of window.h.
#pragma once

#include <tonebridge/window.h>

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <deque>
#include <mutex>

namespace tb {

class MessageWindow {
public:
    using Handler = std::function<void(uint32_t msg, uintptr_t wparam, intptr_t lparam)>;

    MessageWindow();
    virtual ~MessageWindow();
    MessageWindow(const MessageWindow &) = delete;
    MessageWindow &operator=(const MessageWindow &) = delete;

    // Thread-safe. Returns false once the window is closed.
    virtual bool post(uint32_t msg, uintptr_t wparam, intptr_t lparam) = 0;
    // Takes every queued message msg with this wparam out of the queue undelivered (main thread);
    // returns how many there were.
    virtual int discardPending(uint32_t msg, uintptr_t wparam) = 0;
    void setHandler(Handler handler) { handler_ = std::move(handler); }

    // The handle a codec library posts through; valid for the window's lifetime.
    tb_window *handle() { return &bridge_.window; }

protected:
    void deliver(uint32_t msg, uintptr_t wparam, intptr_t lparam) const;

private:
    struct Bridge {
        tb_window window;
        MessageWindow *owner;
    };
    static int postThroughHandle(tb_window *window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

    Bridge bridge_;
    Handler handler_;
};

// The real window: messages travel as Qt events to the thread that created it.
class QtMessageWindow : public MessageWindow {
public:
    QtMessageWindow();
    ~QtMessageWindow() override;
    bool post(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    int discardPending(uint32_t msg, uintptr_t wparam) override;

private:
    class Receiver;
    // Messages posted and not yet delivered, in posting order; a discarded one is skipped when
    // its event arrives.
    struct Queued {
        uint32_t msg;
        uintptr_t wparam;
        bool discarded;
    };
    struct Gate {
        std::mutex lock;
        QObject *receiver = nullptr; // null once closed
        std::deque<Queued> queued;
    };
    bool takeNext(); // false when the next delivery was discarded
    std::unique_ptr<Receiver> receiver_;
    std::shared_ptr<Gate> gate_;
};

} // namespace tb
