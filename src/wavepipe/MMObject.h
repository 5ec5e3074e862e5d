// A changeable value object: an update counter and a change notification.
#pragma once

#include <cstdint>
#include <functional>

namespace tb {

class TMMObject {
public:
    using TNotifyEvent = std::function<void(TMMObject *sender)>;

    virtual ~TMMObject() = default;

    TNotifyEvent OnChange;

    void BeginUpdate();
    // Leaving the updating state runs Changed.
    void EndUpdate();
    int32_t UpdateCount() const { return updateCount_; }

protected:
    // Fires OnChange while no update is running; descendants add their own listeners.
    virtual void Changed();

private:
    int32_t updateCount_ = 0;
};

} // namespace tb
