// A hidden window that receives posted messages: any thread posts, the user-interface thread
// receives them in posting order. Codec libraries see it through the C handle of window.h.
#pragma once

#include <tonebridge/window.h>

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
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

private:
    class Receiver;
    struct Gate {
        std::mutex lock;
        QObject *receiver = nullptr; // null once closed
    };
    std::unique_ptr<Receiver> receiver_;
    std::shared_ptr<Gate> gate_;
};

} // namespace tb
