// One way to bind component events: a link fills event slots (the std::function members of the
// components) and makes Qt connections, and undoes every one of them when it goes. Declare the
// link after everything it binds, so it goes first and no event can reach a handler that is
// already gone.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <utility>
#include <vector>

namespace tb {

class EventLink {
public:
    EventLink() = default;
    ~EventLink() { clear(); }
    EventLink(const EventLink &) = delete;
    EventLink &operator=(const EventLink &) = delete;

    // Fills an event slot; the slot is emptied again when the link goes.
    template <class Slot, class Handler> void bind(Slot &slot, Handler &&handler)
    {
        slot = std::forward<Handler>(handler);
        undo_.push_back([&slot] { slot = nullptr; });
    }

    // A Qt connection (the arguments of QObject::connect), disconnected when the link goes.
    template <class... Args> void connect(Args &&...args)
    {
        const QMetaObject::Connection connection = QObject::connect(std::forward<Args>(args)...);
        undo_.push_back([connection] { QObject::disconnect(connection); });
    }

    // Undoes every binding, the latest first.
    void clear()
    {
        for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo)
            (*undo)();
        undo_.clear();
    }

private:
    std::vector<std::function<void()>> undo_;
};

} // namespace tb
