#include "XaudioPlayer.h"

#include "platform/FileSystem.h"
#include "platform/PathBytes.h"

#include <QCoreApplication>
#include <dlfcn.h>

namespace tb {

namespace {
// Texts may hold file names, which are bytes rather than necessarily UTF-8.
QString text(const char *value) { return value ? pathFromBytes(value) : QString(); }

std::unique_ptr<MessageWindow> createHiddenWindow()
{
    // The window delivers through the application's event loop; without one nothing would arrive.
    if (!QCoreApplication::instance())
        throw EXaudioException("Cannot Create Hidden Window");
    return std::make_unique<QtMessageWindow>();
}
} // namespace

QString TXaudioPlayer::DefaultXaudioPath() { return executableFolder() + "decoder.so"; }

TXaudioPlayer::TXaudioPlayer(QString xaudioPath) : TXaudioPlayer(std::move(xaudioPath), createHiddenWindow()) {}

TXaudioPlayer::TXaudioPlayer(QString xaudioPath, std::unique_ptr<MessageWindow> window)
    : window_(std::move(window)), xaudioPath_(std::move(xaudioPath))
{
    if (!window_)
        throw EXaudioException("Cannot Create Hidden Window");
    windowHandle_ = window_->handle();
    window_->setHandler([this](uint32_t msg, uintptr_t wparam, intptr_t lparam) { WindowProc(msg, wparam, lparam); });
}

TXaudioPlayer::~TXaudioPlayer()
{
    if (player_) {
        XA_Player *old = player_;
        player_ = nullptr;
        player_delete_(old);
    }
    UnloadXaudio();
    window_.reset();
}

uint32_t TXaudioPlayer::Priority() const
{
    return player_ ? static_cast<uint32_t>(player_get_priority_(player_)) : storedPriority_;
}

void TXaudioPlayer::SetPriority(uint32_t value)
{
    if (player_)
        player_set_priority_(player_, static_cast<int>(value));
    else
        storedPriority_ = value;
}

bool TXaudioPlayer::Init()
{
    if (player_)
        return true;
    if (!library_)
        LoadXaudio();
    if (!library_)
        return false;
    uint32_t version = xaudio_get_version_(2);
    uint32_t major = (version >> 16) & 0xFF;
    uint32_t minor = (version >> 8) & 0xFF;
    if (major != XA_API_VERSION_MAJOR || minor != XA_API_VERSION_MINOR)
        throw EXaudioException(QString("Xaudio DLL API Mismatch\rExpected ") + QString::number(XA_API_VERSION_MAJOR) +
                               "." + QString::number(XA_API_VERSION_MINOR) + ", Got " +
                               QString::number(major) + "." + QString::number(minor));
    if (player_new_(&player_, &windowHandle_) != 0) {
        player_ = nullptr;
        throw EXaudioException("Cannot Start Xaudio Player");
    }
    if (storedPriority_ != 3)
        player_set_priority_(player_, static_cast<int>(storedPriority_));
    return true;
}

void TXaudioPlayer::LoadXaudio()
{
    QByteArray path = xaudioPath_.toUtf8();
    library_ = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        throw EXaudioException("Cannot Load Xaudio DLL (" + xaudioPath_ + ")");

    auto lookUp = [this](auto &entry, const char *name) {
        void *address = dlsym(library_, name);
        if (!address) {
            dlclose(library_);
            library_ = nullptr;
            throw EXaudioException(QString("Cannot Find Symbol ") + name + " in Xaudio DLL");
        }
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(address);
    };
    try {
        lookUp(player_new_, "player_new");
        lookUp(player_delete_, "player_delete");
        lookUp(player_set_priority_, "player_set_priority");
        lookUp(player_get_priority_, "player_get_priority");
        lookUp(xaudio_error_string_, "xaudio_error_string");
        lookUp(xaudio_get_version_, "xaudio_get_version");
        lookUp(control_message_send_N_, "control_message_send_N");
        lookUp(control_message_send_P_, "control_message_send_P");
        lookUp(control_message_send_S_, "control_message_send_S");
        lookUp(control_message_send_SS_, "control_message_send_SS");
        lookUp(control_message_send_SI_, "control_message_send_SI");
        lookUp(control_message_send_IPI_, "control_message_send_IPI");
        lookUp(control_message_send_I_, "control_message_send_I");
        lookUp(control_message_send_II_, "control_message_send_II");
        lookUp(control_message_send_III_, "control_message_send_III");
        lookUp(control_message_send_IIII_, "control_message_send_IIII");
        lookUp(control_win32_params_to_message_, "control_win32_params_to_message");
    } catch (...) {
        // Entry points found before the missing one point into the unloaded library.
        UnloadXaudio();
        throw;
    }
}

void TXaudioPlayer::UnloadXaudio()
{
    if (library_)
        dlclose(library_);
    library_ = nullptr;
    player_new_ = nullptr;
    player_delete_ = nullptr;
    player_set_priority_ = nullptr;
    player_get_priority_ = nullptr;
    xaudio_error_string_ = nullptr;
    xaudio_get_version_ = nullptr;
    control_message_send_N_ = nullptr;
    control_message_send_P_ = nullptr;
    control_message_send_S_ = nullptr;
    control_message_send_SS_ = nullptr;
    control_message_send_SI_ = nullptr;
    control_message_send_IPI_ = nullptr;
    control_message_send_I_ = nullptr;
    control_message_send_II_ = nullptr;
    control_message_send_III_ = nullptr;
    control_message_send_IIII_ = nullptr;
    control_win32_params_to_message_ = nullptr;
}

uint32_t TXaudioPlayer::GetVersion(uint8_t Which) { return player_ ? xaudio_get_version_(Which) : 0; }

QString TXaudioPlayer::ErrorString(int Code)
{
    if (!Init())
        return QString();
    return text(xaudio_error_string_(Code));
}

// Form N.
int TXaudioPlayer::Synchronize() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_SYNC); }
int TXaudioPlayer::Play() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_PLAY); }
int TXaudioPlayer::Pause() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_PAUSE); }
int TXaudioPlayer::Stop() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_STOP); }
int TXaudioPlayer::InputClose() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_INPUT_CLOSE); }
int TXaudioPlayer::InputFilterList() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_INPUT_FILTERS_LIST); }
int TXaudioPlayer::InputModulesList() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_INPUT_MODULES_LIST); }
int TXaudioPlayer::OutputClose() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_CLOSE); }
int TXaudioPlayer::OutputMute() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_MUTE); }
int TXaudioPlayer::OutputUnmute() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_UNMUTE); }
int TXaudioPlayer::OutputReset() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_RESET); }
int TXaudioPlayer::OutputDrain() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_DRAIN); }
int TXaudioPlayer::OutputFilterList() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_FILTERS_LIST); }
int TXaudioPlayer::OutputModulesList() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_OUTPUT_MODULES_LIST); }
int TXaudioPlayer::CodecModulesList() { return SendCommand(control_message_send_N_, XA_MSG_COMMAND_CODEC_MODULES_LIST); }
int TXaudioPlayer::GetPlayerMode() { return SendCommand(control_message_send_N_, XA_MSG_GET_PLAYER_MODE); }
int TXaudioPlayer::GetInputName() { return SendCommand(control_message_send_N_, XA_MSG_GET_INPUT_NAME); }
int TXaudioPlayer::GetInputModule() { return SendCommand(control_message_send_N_, XA_MSG_GET_INPUT_MODULE); }
int TXaudioPlayer::GetInputPositionRange() { return SendCommand(control_message_send_N_, XA_MSG_GET_INPUT_POSITION_RANGE); }
int TXaudioPlayer::GetInputTimecodeGranularity() { return SendCommand(control_message_send_N_, XA_MSG_GET_INPUT_TIMECODE_GRANULARITY); }
int TXaudioPlayer::GetOutputName() { return SendCommand(control_message_send_N_, XA_MSG_GET_OUTPUT_NAME); }
int TXaudioPlayer::GetOutputModule() { return SendCommand(control_message_send_N_, XA_MSG_GET_OUTPUT_MODULE); }
int TXaudioPlayer::GetOutputVolume() { return SendCommand(control_message_send_N_, XA_MSG_GET_OUTPUT_VOLUME); }
int TXaudioPlayer::GetOutputChannels() { return SendCommand(control_message_send_N_, XA_MSG_GET_OUTPUT_CHANNELS); }
int TXaudioPlayer::GetOutputPorts() { return SendCommand(control_message_send_N_, XA_MSG_GET_OUTPUT_PORTS); }
int TXaudioPlayer::GetCodecQuality() { return SendCommand(control_message_send_N_, XA_MSG_GET_CODEC_QUALITY); }
int TXaudioPlayer::GetCodecEqualizer() { return SendCommand(control_message_send_N_, XA_MSG_GET_CODEC_EQUALIZER); }
int TXaudioPlayer::GetNotificationMask() { return SendCommand(control_message_send_N_, XA_MSG_GET_NOTIFICATION_MASK); }
int TXaudioPlayer::GetDebugLevel() { return SendCommand(control_message_send_N_, XA_MSG_GET_DEBUG_LEVEL); }

// Form I.
int TXaudioPlayer::Ping(int Tag) { return SendCommand(control_message_send_I_, XA_MSG_COMMAND_PING, Tag); }
int TXaudioPlayer::InputModuleQuery(int Module) { return SendCommand(control_message_send_I_, XA_MSG_COMMAND_INPUT_MODULE_QUERY, Module); }
int TXaudioPlayer::OutputModuleQuery(int Module) { return SendCommand(control_message_send_I_, XA_MSG_COMMAND_OUTPUT_MODULE_QUERY, Module); }
int TXaudioPlayer::CodecModuleQuery(int Module) { return SendCommand(control_message_send_I_, XA_MSG_COMMAND_CODEC_MODULE_QUERY, Module); }
int TXaudioPlayer::SetPlayerMode(int Mode) { return SendCommand(control_message_send_I_, XA_MSG_SET_PLAYER_MODE, Mode); }
int TXaudioPlayer::SetInputModule(int Module) { return SendCommand(control_message_send_I_, XA_MSG_SET_INPUT_MODULE, Module); }
int TXaudioPlayer::SetInputPositionRange(int Range) { return SendCommand(control_message_send_I_, XA_MSG_SET_INPUT_POSITION_RANGE, Range); }
int TXaudioPlayer::SetInputTimecodeGranularity(int Granularity)
{
    return SendCommand(control_message_send_I_, XA_MSG_SET_INPUT_TIMECODE_GRANULARITY, Granularity);
}
int TXaudioPlayer::SetOutputModule(int Module) { return SendCommand(control_message_send_I_, XA_MSG_SET_OUTPUT_MODULE, Module); }
int TXaudioPlayer::SetOutputChannels(int Channels) { return SendCommand(control_message_send_I_, XA_MSG_SET_OUTPUT_CHANNELS, Channels); }
int TXaudioPlayer::SetOutputPorts(int Ports) { return SendCommand(control_message_send_I_, XA_MSG_SET_OUTPUT_PORTS, Ports); }
int TXaudioPlayer::SetCodecQuality(uint8_t Quality)
{
    return SendCommand(control_message_send_I_, XA_MSG_SET_CODEC_QUALITY, static_cast<int>(Quality));
}
int TXaudioPlayer::SetNotificationMask(int Mask) { return SendCommand(control_message_send_I_, XA_MSG_SET_NOTIFICATION_MASK, Mask); }
int TXaudioPlayer::SetDebugLevel(int Level) { return SendCommand(control_message_send_I_, XA_MSG_SET_DEBUG_LEVEL, Level); }

// Forms II and III.
int TXaudioPlayer::InputSeek(int Offset, int Range) { return SendCommand(control_message_send_II_, XA_MSG_COMMAND_INPUT_SEEK, Offset, Range); }
int TXaudioPlayer::SetOutputVolume(int MasterLevel, int PcmLevel, int Balance)
{
    return SendCommand(control_message_send_III_, XA_MSG_SET_OUTPUT_VOLUME, MasterLevel, PcmLevel, Balance);
}

// Form S.
#define TB_SEND_S(method, code)                                                                                   \
    int TXaudioPlayer::method(const QString &Name)                                                                \
    {                                                                                                             \
        QByteArray bytes = pathToBytes(Name);                                                                     \
        return SendCommand(control_message_send_S_, code, bytes.constData());                                     \
    }
TB_SEND_S(InputOpen, XA_MSG_COMMAND_INPUT_OPEN)
TB_SEND_S(InputModuleRegister, XA_MSG_COMMAND_INPUT_MODULE_REGISTER)
TB_SEND_S(OutputOpen, XA_MSG_COMMAND_OUTPUT_OPEN)
TB_SEND_S(OutputModuleRegister, XA_MSG_COMMAND_OUTPUT_MODULE_REGISTER)
TB_SEND_S(CodecModuleRegister, XA_MSG_COMMAND_CODEC_MODULE_REGISTER)
TB_SEND_S(GetPlayerEnvironmentInteger, XA_MSG_GET_PLAYER_ENVIRONMENT_INTEGER)
TB_SEND_S(GetPlayerEnvironmentString, XA_MSG_GET_PLAYER_ENVIRONMENT_STRING)
TB_SEND_S(UnsetPlayerEnvironment, XA_MSG_UNSET_PLAYER_ENVIRONMENT)
TB_SEND_S(SetInputName, XA_MSG_SET_INPUT_NAME)
TB_SEND_S(SetOutputName, XA_MSG_SET_OUTPUT_NAME)
#undef TB_SEND_S

// Form SS.
int TXaudioPlayer::SetPlayerEnvironmentString(const QString &Name, const QString &Value)
{
    QByteArray name = Name.toUtf8();
    QByteArray value = Value.toUtf8();
    return SendCommand(control_message_send_SS_, XA_MSG_SET_PLAYER_ENVIRONMENT_STRING, name.constData(), value.constData());
}

// Form SI.
#define TB_SEND_SI(method, code, second)                                                                          \
    int TXaudioPlayer::method(const QString &Name, int second)                                                    \
    {                                                                                                             \
        QByteArray bytes = Name.toUtf8();                                                                         \
        return SendCommand(control_message_send_SI_, code, bytes.constData(), second);                            \
    }
TB_SEND_SI(InputAddFilter, XA_MSG_COMMAND_INPUT_ADD_FILTER, Where)
TB_SEND_SI(InputRemoveFilter, XA_MSG_COMMAND_INPUT_REMOVE_FILTER, ID)
TB_SEND_SI(OutputAddFilter, XA_MSG_COMMAND_OUTPUT_ADD_FILTER, Where)
TB_SEND_SI(OutputRemoveFilter, XA_MSG_COMMAND_OUTPUT_REMOVE_FILTER, ID)
TB_SEND_SI(SetPlayerEnvironmentInteger, XA_MSG_SET_PLAYER_ENVIRONMENT_INTEGER, Value)
#undef TB_SEND_SI

// Form IPI: the message type is a 16-bit value, zero-extended.
int TXaudioPlayer::InputSendMessage(uint16_t Type, const void *Data, int Size)
{
    return SendCommand(control_message_send_IPI_, XA_MSG_COMMAND_INPUT_SEND_MESSAGE, static_cast<int>(Type), Data, Size);
}
int TXaudioPlayer::OutputSendMessage(uint16_t Type, const void *Data, int Size)
{
    return SendCommand(control_message_send_IPI_, XA_MSG_COMMAND_OUTPUT_SEND_MESSAGE, static_cast<int>(Type), Data, Size);
}
int TXaudioPlayer::CodecSendMessage(uint16_t Type, const void *Data, int Size)
{
    return SendCommand(control_message_send_IPI_, XA_MSG_COMMAND_CODEC_SEND_MESSAGE, static_cast<int>(Type), Data, Size);
}

// Form P.
int TXaudioPlayer::SetCodecEqualizer(const XA_EqualizerInfo *Equalizer)
{
    return SendCommand(control_message_send_P_, XA_MSG_SET_CODEC_EQUALIZER, static_cast<const void *>(Equalizer));
}

void TXaudioPlayer::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    // Window-system messages (below 0x9000) have no default handling to pass through here: this
    // window receives only what the library posts. Every message is offered to the library.
    if (!control_win32_params_to_message_)
        return;
    XA_Message message{};
    if (control_win32_params_to_message_(player_, &message, msg, wparam, lparam) != 0)
        return;
    if (OnNotifyMessage)
        OnNotifyMessage(this, message);
    RaiseEvent(message);
}

void TXaudioPlayer::RaiseEvent(XA_Message &m)
{
    auto moduleInfo = [&](const TXaudioModuleInfoEvent &event) {
        if (event)
            event(this, m.module_info.id, m.module_info.nb_devices, text(m.module_info.name),
                  text(m.module_info.description));
    };
    auto deviceInfo = [&](const TXaudioDeviceInfoEvent &event) {
        if (event)
            event(this, m.device_info.module_id, m.device_info.index, m.device_info.flags, text(m.device_info.name),
                  text(m.device_info.description));
    };
    auto filterInfo = [&](const TXaudioFilterInfoEvent &event) {
        if (event)
            event(this, m.filter_info.id, text(m.filter_info.name));
    };
    auto raise = [this](const auto &event, auto... args) {
        if (event)
            event(this, args...);
    };

    switch (m.code) {
    case XA_MSG_NOTIFY_READY: raise(OnNotifyReady); break;
    case XA_MSG_NOTIFY_ACK: raise(OnNotifyAck, m.ack.command); break;
    case XA_MSG_NOTIFY_NACK: raise(OnNotifyNack, m.nack.command, m.nack.error); break;
    case XA_MSG_NOTIFY_PONG: raise(OnNotifyPong, m.pong.tag); break;
    case XA_MSG_NOTIFY_EXITED: raise(OnNotifyExited); break;
    case XA_MSG_NOTIFY_PLAYER_STATE: raise(OnNotifyPlayerState, static_cast<int32_t>(m.state.state)); break;
    case XA_MSG_NOTIFY_PLAYER_MODE: raise(OnNotifyPlayerMode, m.mode.mode); break;
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER:
        raise(OnNotifyPlayerEnvironmentInteger, text(m.env_integer.name), m.env_integer.value);
        break;
    case XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING:
        raise(OnNotifyPlayerEnvironmentString, text(m.env_string.name), text(m.env_string.value));
        break;
    case XA_MSG_NOTIFY_INPUT_STATE: raise(OnNotifyInputState, static_cast<int32_t>(m.state.state)); break;
    case XA_MSG_NOTIFY_INPUT_NAME: raise(OnNotifyInputName, text(m.name.name)); break;
    case XA_MSG_NOTIFY_INPUT_CAPS: raise(OnNotifyInputCaps, m.caps.caps); break;
    case XA_MSG_NOTIFY_INPUT_POSITION: raise(OnNotifyInputPosition, m.position.offset, m.position.range); break;
    case XA_MSG_NOTIFY_INPUT_POSITION_RANGE: raise(OnNotifyInputPositionRange, m.position_range.range); break;
    case XA_MSG_NOTIFY_INPUT_TIMECODE:
        raise(OnNotifyInputTimecode, m.timecode.h, m.timecode.m, m.timecode.s, m.timecode.f);
        break;
    case XA_MSG_NOTIFY_INPUT_TIMECODE_GRANULARITY:
        raise(OnNotifyInputTimecodeGranularity, m.granularity.granularity);
        break;
    case XA_MSG_NOTIFY_INPUT_MODULE: raise(OnNotifyInputModule, m.module_id.id); break;
    case XA_MSG_NOTIFY_INPUT_MODULE_INFO: moduleInfo(OnNotifyInputModuleInfo); break;
    case XA_MSG_NOTIFY_INPUT_DEVICE_INFO: deviceInfo(OnNotifyInputDeviceInfo); break;
    case XA_MSG_NOTIFY_INPUT_FILTER_INFO: filterInfo(OnNotifyInputFilterInfo); break;
    case XA_MSG_NOTIFY_OUTPUT_STATE: raise(OnNotifyOutputState, static_cast<int32_t>(m.state.state)); break;
    case XA_MSG_NOTIFY_OUTPUT_NAME: raise(OnNotifyOutputName, text(m.name.name)); break;
    case XA_MSG_NOTIFY_OUTPUT_CAPS: raise(OnNotifyOutputCaps, m.caps.caps); break;
    case XA_MSG_NOTIFY_OUTPUT_VOLUME:
        raise(OnNotifyOutputVolume, m.volume.master_level, m.volume.pcm_level, m.volume.balance);
        break;
    case XA_MSG_NOTIFY_OUTPUT_BALANCE: raise(OnNotifyOutputBalance, m.volume.balance); break;
    case XA_MSG_NOTIFY_OUTPUT_PCM_LEVEL: raise(OnNotifyOutputPcmLevel, m.volume.pcm_level); break;
    case XA_MSG_NOTIFY_OUTPUT_MASTER_LEVEL: raise(OnNotifyOutputMasterLevel, m.volume.master_level); break;
    case XA_MSG_NOTIFY_OUTPUT_CHANNELS: raise(OnNotifyOutputChannels, m.channels.channels); break;
    case XA_MSG_NOTIFY_OUTPUT_PORTS: raise(OnNotifyOutputPorts, static_cast<uint32_t>(m.ports.ports)); break;
    case XA_MSG_NOTIFY_OUTPUT_MODULE: raise(OnNotifyOutputModule, m.module_id.id); break;
    case XA_MSG_NOTIFY_OUTPUT_MODULE_INFO: moduleInfo(OnNotifyOutputModuleInfo); break;
    case XA_MSG_NOTIFY_OUTPUT_DEVICE_INFO: deviceInfo(OnNotifyOutputDeviceInfo); break;
    case XA_MSG_NOTIFY_OUTPUT_FILTER_INFO: filterInfo(OnNotifyOutputFilterInfo); break;
    case XA_MSG_NOTIFY_STREAM_MIME_TYPE: raise(OnNotifyStreamMimeType, text(m.name.name)); break;
    case XA_MSG_NOTIFY_STREAM_DURATION: raise(OnNotifyStreamDuration, m.duration.duration); break;
    case XA_MSG_NOTIFY_STREAM_PARAMETERS:
        raise(OnNotifyStreamParameters, m.stream_parameters.frequency, m.stream_parameters.bitrate,
              m.stream_parameters.nb_channels);
        break;
    case XA_MSG_NOTIFY_STREAM_PROPERTIES:
        raise(OnNotifyStreamProperties, m.stream_properties.nb_properties, m.stream_properties.properties);
        break;
    case XA_MSG_NOTIFY_CODEC_QUALITY: raise(OnNotifyCodecQuality, m.quality.quality); break;
    case XA_MSG_NOTIFY_CODEC_EQUALIZER:
        if (OnNotifyCodecEqualizer) {
            XA_EqualizerInfo flat{};
            OnNotifyCodecEqualizer(this, m.equalizer.equalizer ? *m.equalizer.equalizer : flat);
        }
        break;
    case XA_MSG_NOTIFY_CODEC_MODULE: raise(OnNotifyCodecModule, m.module_id.id); break;
    case XA_MSG_NOTIFY_CODEC_MODULE_INFO: moduleInfo(OnNotifyCodecModuleInfo); break;
    case XA_MSG_NOTIFY_CODEC_DEVICE_INFO: deviceInfo(OnNotifyCodecDeviceInfo); break;
    case XA_MSG_NOTIFY_NOTIFICATION_MASK: raise(OnNotifyNotificationMask, m.notification_mask.mask); break;
    case XA_MSG_NOTIFY_DEBUG_LEVEL: raise(OnNotifyDebugLevel, m.debug_level.level); break;
    case XA_MSG_NOTIFY_PROGRESS:
        raise(OnNotifyProgress, m.progress.source, m.progress.progress_code, m.progress.value, text(m.progress.message));
        break;
    case XA_MSG_NOTIFY_DEBUG: raise(OnNotifyDebug, m.debug.source, m.debug.level, text(m.debug.message)); break;
    case XA_MSG_NOTIFY_ERROR: raise(OnNotifyError, m.error.source, m.error.error, text(m.error.message)); break;
    default: break; // 96 to 99 and unknown codes: OnNotifyMessage only
    }
}

} // namespace tb
