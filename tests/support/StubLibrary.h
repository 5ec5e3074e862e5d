// A test's own handle on a stand-in library built beside the test programs: the library stays
// loaded for the test, and its test controls are reached through the same loaded copy that the
// component under test uses.
#pragma once

#include "platform/FileSystem.h"
#include "platform/PathBytes.h"

#include <QString>
#include <dlfcn.h>

namespace tb::test {

inline QString besideTests(const char *name) { return executableFolder() + name; }

class StubLibrary {
public:
    explicit StubLibrary(const QString &path) : handle_(dlopen(pathToBytes(path).constData(), RTLD_NOW | RTLD_LOCAL)) {}
    ~StubLibrary()
    {
        if (handle_)
            dlclose(handle_);
    }
    StubLibrary(const StubLibrary &) = delete;
    StubLibrary &operator=(const StubLibrary &) = delete;
    bool loaded() const { return handle_ != nullptr; }
    // The exported function `name`, or null.
    template <typename F> F entry(const char *name) const
    {
        return handle_ ? reinterpret_cast<F>(dlsym(handle_, name)) : nullptr;
    }

private:
    void *handle_;
};

} // namespace tb::test
