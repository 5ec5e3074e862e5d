#include "MessageWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>

namespace tb {

MessageWindow::MessageWindow() : bridge_{{&MessageWindow::postThroughHandle}, this} {}
MessageWindow::~MessageWindow() = default;

int MessageWindow::postThroughHandle(tb_window *window, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    // The handle is the first member of the bridge, so the bridge starts where the handle does.
    auto *bridge = reinterpret_cast<Bridge *>(window);
    return bridge->owner->post(msg, wparam, lparam) ? 1 : 0;
}

void MessageWindow::deliver(uint32_t msg, uintptr_t wparam, intptr_t lparam) const
{
    if (handler_)
        handler_(msg, wparam, lparam);
}

namespace {
const QEvent::Type PostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedEvent : QEvent {
    PostedEvent(uint32_t m, uintptr_t w, intptr_t l) : QEvent(PostedMessageEvent), msg(m), wparam(w), lparam(l) {}
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
};
} // namespace

class QtMessageWindow::Receiver : public QObject {
public:
    explicit Receiver(QtMessageWindow *owner) : owner_(owner) {}
    bool event(QEvent *e) override
    {
        if (e->type() != PostedMessageEvent)
            return QObject::event(e);
        auto *posted = static_cast<PostedEvent *>(e);
        if (!owner_->takeNext())
            return true;
        owner_->deliver(posted->msg, posted->wparam, posted->lparam);
        return true;
    }

private:
    QtMessageWindow *owner_;
};

QtMessageWindow::QtMessageWindow() : receiver_(std::make_unique<Receiver>(this)), gate_(std::make_shared<Gate>())
{
    gate_->receiver = receiver_.get();
}

QtMessageWindow::~QtMessageWindow()
{
    // Close the gate first so a thread still posting cannot reach a receiver being destroyed;
    // destroying the receiver drops the events still queued for it.
    std::lock_guard<std::mutex> hold(gate_->lock);
    gate_->receiver = nullptr;
    receiver_.reset();
}

bool QtMessageWindow::post(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    std::lock_guard<std::mutex> hold(gate_->lock);
    if (!gate_->receiver)
        return false;
    // Events posted to one receiver are delivered in posting order.
    gate_->queued.push_back({msg, wparam, false});
    QCoreApplication::postEvent(gate_->receiver, new PostedEvent(msg, wparam, lparam));
    return true;
}

bool QtMessageWindow::takeNext()
{
    std::lock_guard<std::mutex> hold(gate_->lock);
    if (gate_->queued.empty())
        return true;
    const bool discarded = gate_->queued.front().discarded;
    gate_->queued.pop_front();
    return !discarded;
}

int QtMessageWindow::discardPending(uint32_t msg, uintptr_t wparam)
{
    std::lock_guard<std::mutex> hold(gate_->lock);
    int count = 0;
    for (Queued &q : gate_->queued) {
        if (!q.discarded && q.msg == msg && q.wparam == wparam) {
            q.discarded = true;
            ++count;
        }
    }
    return count;
}

} // namespace tb
