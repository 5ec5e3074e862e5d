#include "wavepipe/MMObject.h"

namespace tb {

void TMMObject::BeginUpdate()
{
    ++updateCount_;
}

void TMMObject::EndUpdate()
{
    if (updateCount_ <= 0)
        return;
    if (--updateCount_ == 0)
        Changed();
}

void TMMObject::Changed()
{
    if (updateCount_ == 0 && OnChange)
        OnChange(this);
}

} // namespace tb
