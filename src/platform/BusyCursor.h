// The busy cursor over a whole-list or whole-file operation; the guard restores the normal
// cursor when it goes out of scope, also when an exception passes through.
#pragma once

namespace tb {

class CursorControl {
public:
    virtual ~CursorControl() = default;
    virtual void showBusy() = 0;
    virtual void restore() = 0;
};

class QtCursorControl : public CursorControl {
public:
    void showBusy() override;
    void restore() override;
};

class BusyCursor {
public:
    explicit BusyCursor(CursorControl &cursor) : cursor_(cursor) { cursor_.showBusy(); }
    ~BusyCursor() { cursor_.restore(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    CursorControl &cursor_;
};

} // namespace tb
