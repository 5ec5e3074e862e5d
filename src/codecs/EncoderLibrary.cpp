#include "EncoderLibrary.h"

#include "platform/PathBytes.h"

#include <dlfcn.h>
#include <mutex>

namespace tb {

namespace {

struct Loaded {
    std::mutex lock;
    void *handle = nullptr;
    int count = 0;
    EncoderApi api;

    void unload()
    {
        if (handle)
            dlclose(handle);
        handle = nullptr;
        api = EncoderApi{};
    }
    // At program end the library goes whatever the count says.
    ~Loaded() { unload(); }
};

Loaded &loaded()
{
    static Loaded instance;
    return instance;
}

template <typename Fn> bool lookUp(void *handle, const char *name, Fn &entry)
{
    entry = reinterpret_cast<Fn>(dlsym(handle, name));
    return entry != nullptr;
}

} // namespace

bool EncoderLibrary::Load(const QString &path)
{
    Loaded &l = loaded();
    std::lock_guard<std::mutex> hold(l.lock);
    if (l.count > 0) {
        ++l.count;
        return true;
    }
    l.handle = dlopen(pathToBytes(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!l.handle)
        return false;
    EncoderApi &a = l.api;
    const bool complete = lookUp(l.handle, "MPGE_initializeWork", a.initializeWork) &&
                          lookUp(l.handle, "MPGE_setConfigure", a.setConfigure) &&
                          lookUp(l.handle, "MPGE_getConfigure", a.getConfigure) &&
                          lookUp(l.handle, "MPGE_detectConfigure", a.detectConfigure) &&
                          lookUp(l.handle, "MPGE_processFrame", a.processFrame) &&
                          lookUp(l.handle, "MPGE_closeCoder", a.closeCoder) &&
                          lookUp(l.handle, "MPGE_endCoder", a.endCoder) &&
                          lookUp(l.handle, "MPGE_getUnitStates", a.getUnitStates) &&
                          lookUp(l.handle, "MPGE_getVersion", a.getVersion);
    if (!complete) {
        l.unload();
        l.count = 0;
        return false;
    }
    lookUp(l.handle, "MPGE_getLastError", a.getLastError);
    l.count = 1;
    return true;
}

void EncoderLibrary::Release()
{
    Loaded &l = loaded();
    std::lock_guard<std::mutex> hold(l.lock);
    if (l.count == 1)
        l.unload();
    if (l.count > 0)
        --l.count;
}

int EncoderLibrary::LoadCount()
{
    Loaded &l = loaded();
    std::lock_guard<std::mutex> hold(l.lock);
    return l.count;
}

const EncoderApi &EncoderLibrary::Api() { return loaded().api; }

} // namespace tb
