// The test controls of the recording decoder library (FakeXaudio.cpp): every call lands in its
// log as "N(code);", "S(code,text);", ...; it posts only the notifications the test hands it.
#pragma once

#include "support/StubLibrary.h"

#include <tonebridge/xaudio.h>

#include <cstdint>
#include <string>

namespace tb::test {

class FakeDecoderLibrary : public StubLibrary {
public:
    explicit FakeDecoderLibrary(const char *name = "fake_xaudio.so")
        : StubLibrary(besideTests(name)), path_(besideTests(name))
    {
    }
    const QString &path() const { return path_; }
    std::string log() const { return entry<const char *(*)()>("fake_log")(); }
    void clearLog() const { entry<void (*)()>("fake_clear_log")(); }
    void setVersion(uint32_t v) const { entry<void (*)(uint32_t)>("fake_set_version")(v); }
    void setNewResult(int r) const { entry<void (*)(int)>("fake_set_new_result")(r); }
    void post(const XA_Message &m) const { entry<void (*)(const XA_Message *)>("fake_post")(&m); }
    void postForeign(uint32_t msg) const { entry<void (*)(uint32_t)>("fake_post_foreign")(msg); }
    void postPlayerState(uint8_t state) const
    {
        XA_Message m{};
        m.state.code = XA_MSG_NOTIFY_PLAYER_STATE;
        m.state.state = state;
        post(m);
    }

private:
    QString path_;
};

} // namespace tb::test
