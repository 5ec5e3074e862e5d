// The activity changed as the core changes it, on a state of the test's own.
#pragma once

#include "core/AppState.h"

namespace tb::test {

class StateActivity : public ActivityControl {
public:
    explicit StateActivity(AppState &state) : state_(state) {}
    void SetActivityState(ActivityStates state) override { state_.ActivityState = state; }

private:
    AppState &state_;
};

} // namespace tb::test
