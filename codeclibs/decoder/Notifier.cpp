#include "Notifier.h"

namespace tb::decoder {

Notifier::Notifier(tb_window *window, uintptr_t playerSerial) : window_(window), serial_(playerSerial) {}

void Notifier::silence()
{
    std::lock_guard<std::mutex> hold(lock_);
    window_ = nullptr;
    pending_.clear();
}

void Notifier::post(Notification notification)
{
    // The post is made under the lock, so once silence() has returned no thread is still on its
    // way into the window, which its owner may then destroy.
    std::lock_guard<std::mutex> hold(lock_);
    if (!window_)
        return;
    const uint64_t sequence = nextSequence_++;
    pending_.push_back({sequence, std::move(notification)});
    if (tb_post(window_, XA_NOTIFY_WINDOW_MESSAGE, serial_, static_cast<intptr_t>(sequence)))
        return;
    // Nobody will fetch it: do not keep it.
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->sequence == sequence) {
            pending_.erase(it);
            break;
        }
    }
}

int Notifier::take(XA_Message *out, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (!out || msg != XA_NOTIFY_WINDOW_MESSAGE || wparam != serial_ || lparam <= 0)
        return XA_FAILURE;
    auto sequence = static_cast<uint64_t>(lparam);
    std::lock_guard<std::mutex> hold(lock_);
    // Notifications are fetched in posting order; any older one was lost with its message.
    while (!pending_.empty() && pending_.front().sequence < sequence)
        pending_.pop_front();
    if (pending_.empty() || pending_.front().sequence != sequence)
        return XA_FAILURE;
    current_ = std::move(pending_.front().notification);
    pending_.pop_front();
    pointIntoTexts(current_);
    *out = current_.message;
    return XA_SUCCESS;
}

void Notifier::pointIntoTexts(Notification &n)
{
    XA_Message &m = n.message;
    const char *t1 = n.text1.c_str();
    const char *t2 = n.text2.c_str();
    switch (m.code) {
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER: m.env_integer.name = t1; break;
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING:
        m.env_string.name = t1;
        m.env_string.value = t2;
        break;
    case XA_MSG_NOTIFY_INPUT_NAME:
    case XA_MSG_NOTIFY_OUTPUT_NAME:
    case XA_MSG_NOTIFY_STREAM_MIME_TYPE: m.name.name = t1; break;
    case XA_MSG_NOTIFY_INPUT_MODULE_INFO:
    case XA_MSG_NOTIFY_OUTPUT_MODULE_INFO:
    case XA_MSG_NOTIFY_CODEC_MODULE_INFO:
        m.module_info.name = t1;
        m.module_info.description = t2;
        break;
    case XA_MSG_NOTIFY_INPUT_DEVICE_INFO:
    case XA_MSG_NOTIFY_OUTPUT_DEVICE_INFO:
    case XA_MSG_NOTIFY_CODEC_DEVICE_INFO:
        m.device_info.name = t1;
        m.device_info.description = t2;
        break;
    case XA_MSG_NOTIFY_INPUT_FILTER_INFO:
    case XA_MSG_NOTIFY_OUTPUT_FILTER_INFO: m.filter_info.name = t1; break;
    case XA_MSG_NOTIFY_CODEC_EQUALIZER: m.equalizer.equalizer = &n.equalizer; break;
    case XA_MSG_NOTIFY_PROGRESS: m.progress.message = t1; break;
    case XA_MSG_NOTIFY_DEBUG: m.debug.message = t1; break;
    case XA_MSG_NOTIFY_ERROR: m.error.message = t1; break;
    default: break;
    }
}

} // namespace tb::decoder
