// TXaudioPlayer: the MPEG decoder and player of the decoder library (decoder.so), loaded at run
// time. One method per command, a Priority property and one event per notification; the
// library's notifications arrive through a hidden window and are raised on the user-interface
// thread in the order the library posted them.
// Threads: the library decodes on threads of its own and only posts to the hidden window; every
// method and event of this class runs on the user-interface thread, so it needs no lock.
#pragma once

#include "platform/Exception.h"
#include "platform/MessageWindow.h"

#include <tonebridge/xaudio.h>

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace tb {

class EXaudioException : public Exception {
public:
    using Exception::Exception;
};

class TXaudioPlayer {
public:
    // Event types; the first parameter is always the component.
    using TXaudioNotifyEvent = std::function<void(TXaudioPlayer *Sender)>;
    using TXaudioMessageEvent = std::function<void(TXaudioPlayer *Sender, XA_Message &Message)>;
    using TXaudioCommandEvent = std::function<void(TXaudioPlayer *Sender, uint8_t Command)>;
    using TXaudioNackEvent = std::function<void(TXaudioPlayer *Sender, uint8_t Command, int16_t Code)>;
    using TXaudioCardinalEvent = std::function<void(TXaudioPlayer *Sender, uint32_t Value)>;
    using TXaudioIntegerEvent = std::function<void(TXaudioPlayer *Sender, int32_t Value)>;
    using TXaudioSmallIntEvent = std::function<void(TXaudioPlayer *Sender, int16_t ID)>;
    using TXaudioByteEvent = std::function<void(TXaudioPlayer *Sender, uint8_t Value)>;
    using TXaudioStringEvent = std::function<void(TXaudioPlayer *Sender, const QString &Name)>;
    using TXaudioEnvIntegerEvent = std::function<void(TXaudioPlayer *Sender, const QString &Name, int32_t Value)>;
    using TXaudioEnvStringEvent = std::function<void(TXaudioPlayer *Sender, const QString &Name, const QString &Value)>;
    using TXaudioPositionEvent = std::function<void(TXaudioPlayer *Sender, uint32_t Offset, uint32_t Range)>;
    using TXaudioTimecodeEvent =
        std::function<void(TXaudioPlayer *Sender, uint8_t Hours, uint8_t Minutes, uint8_t Seconds, uint8_t Fractions)>;
    using TXaudioModuleInfoEvent = std::function<void(TXaudioPlayer *Sender, uint8_t ID, uint8_t NbDevices,
                                                      const QString &Name, const QString &Description)>;
    using TXaudioDeviceInfoEvent = std::function<void(TXaudioPlayer *Sender, uint8_t ModuleID, uint8_t Index,
                                                      uint8_t Flags, const QString &Name, const QString &Description)>;
    using TXaudioFilterInfoEvent = std::function<void(TXaudioPlayer *Sender, uint8_t ID, const QString &Name)>;
    using TXaudioVolumeEvent =
        std::function<void(TXaudioPlayer *Sender, uint8_t MasterLevel, uint8_t PcmLevel, uint8_t Balance)>;
    using TXaudioStreamParametersEvent =
        std::function<void(TXaudioPlayer *Sender, uint32_t Frequency, int16_t Bitrate, uint8_t NbChannels)>;
    using TXaudioStreamPropertiesEvent =
        std::function<void(TXaudioPlayer *Sender, uint32_t NbProperties, XA_Property *Properties)>;
    using TXaudioEqualizerEvent = std::function<void(TXaudioPlayer *Sender, XA_EqualizerInfo &Equalizer)>;
    using TXaudioProgressEvent =
        std::function<void(TXaudioPlayer *Sender, uint8_t Source, uint8_t Code, int16_t Value, const QString &Msg)>;
    using TXaudioDebugEvent = std::function<void(TXaudioPlayer *Sender, uint8_t Source, uint8_t Level, const QString &Msg)>;
    using TXaudioErrorEvent = std::function<void(TXaudioPlayer *Sender, uint8_t Source, int16_t Code, const QString &Msg)>;

    // The library beside the executable.
    static QString DefaultXaudioPath();

    // Creates the hidden window; loads nothing. Needs a running QCoreApplication.
    explicit TXaudioPlayer(QString xaudioPath = DefaultXaudioPath());
    // With a window of the caller's choice (tests deliver its messages themselves).
    TXaudioPlayer(QString xaudioPath, std::unique_ptr<MessageWindow> window);
    ~TXaudioPlayer();
    TXaudioPlayer(const TXaudioPlayer &) = delete;
    TXaudioPlayer &operator=(const TXaudioPlayer &) = delete;

    // Properties.
    uint32_t Priority() const;
    void SetPriority(uint32_t value);
    const QString &XaudioPath() const { return xaudioPath_; }
    void SetXaudioPath(const QString &path) { xaudioPath_ = path; }

    // Loads the library and creates the player when needed; raises EXaudioException on failure.
    bool Init();
    // Whether the component holds its handle on the library.
    bool LibraryLoaded() const { return library_ != nullptr; }

    // Commands; each returns the library's status (0 when nothing was sent).
    int Synchronize();
    int Ping(int Tag);
    int Play();
    int Pause();
    int Stop();
    int InputSeek(int Offset, int Range);
    int InputOpen(const QString &Name);
    int InputClose();
    int InputSendMessage(uint16_t Type, const void *Data, int Size);
    int InputAddFilter(const QString &Name, int Where);
    int InputRemoveFilter(const QString &Name, int ID);
    int InputFilterList();
    int InputModuleRegister(const QString &Name);
    int InputModuleQuery(int Module);
    int InputModulesList();
    int OutputOpen(const QString &Name);
    int OutputClose();
    int OutputSendMessage(uint16_t Type, const void *Data, int Size);
    int OutputMute();
    int OutputUnmute();
    int OutputReset();
    int OutputDrain();
    int OutputAddFilter(const QString &Name, int Where);
    int OutputRemoveFilter(const QString &Name, int ID);
    int OutputFilterList();
    int OutputModuleRegister(const QString &Name);
    int OutputModuleQuery(int Module);
    int OutputModulesList();
    int CodecSendMessage(uint16_t Type, const void *Data, int Size);
    int CodecModuleRegister(const QString &Name);
    int CodecModuleQuery(int Module);
    int CodecModulesList();
    int SetPlayerMode(int Mode);
    int GetPlayerMode();
    int SetPlayerEnvironmentInteger(const QString &Name, int Value);
    int GetPlayerEnvironmentInteger(const QString &Name);
    int SetPlayerEnvironmentString(const QString &Name, const QString &Value);
    int GetPlayerEnvironmentString(const QString &Name);
    int UnsetPlayerEnvironment(const QString &Name);
    int SetInputName(const QString &Name);
    int GetInputName();
    int SetInputModule(int Module);
    int GetInputModule();
    int SetInputPositionRange(int Range);
    int GetInputPositionRange();
    int SetInputTimecodeGranularity(int Granularity);
    int GetInputTimecodeGranularity();
    int SetOutputName(const QString &Name);
    int GetOutputName();
    int SetOutputModule(int Module);
    int GetOutputModule();
    int SetOutputVolume(int MasterLevel, int PcmLevel, int Balance);
    int GetOutputVolume();
    int SetOutputChannels(int Channels);
    int GetOutputChannels();
    int SetOutputPorts(int Ports);
    int GetOutputPorts();
    int SetCodecQuality(uint8_t Quality);
    int GetCodecQuality();
    int SetCodecEqualizer(const XA_EqualizerInfo *Equalizer);
    int GetCodecEqualizer();
    int SetNotificationMask(int Mask);
    int GetNotificationMask();
    int SetDebugLevel(int Level);
    int GetDebugLevel();

    // The library's version word, or 0 while no player exists.
    uint32_t GetVersion(uint8_t Which);
    QString ErrorString(int Code);

    // Events.
    TXaudioMessageEvent OnNotifyMessage;
    TXaudioNotifyEvent OnNotifyReady;
    TXaudioCommandEvent OnNotifyAck;
    TXaudioNackEvent OnNotifyNack;
    TXaudioCardinalEvent OnNotifyPong;
    TXaudioNotifyEvent OnNotifyExited;
    TXaudioIntegerEvent OnNotifyPlayerState;
    TXaudioIntegerEvent OnNotifyPlayerMode;
    TXaudioEnvIntegerEvent OnNotifyPlayerEnvironmentInteger;
    TXaudioEnvStringEvent OnNotifyPlayerEnvironmentString;
    TXaudioIntegerEvent OnNotifyInputState;
    TXaudioStringEvent OnNotifyInputName;
    TXaudioCardinalEvent OnNotifyInputCaps;
    TXaudioPositionEvent OnNotifyInputPosition;
    TXaudioIntegerEvent OnNotifyInputPositionRange;
    TXaudioTimecodeEvent OnNotifyInputTimecode;
    TXaudioCardinalEvent OnNotifyInputTimecodeGranularity;
    TXaudioSmallIntEvent OnNotifyInputModule;
    TXaudioModuleInfoEvent OnNotifyInputModuleInfo;
    TXaudioDeviceInfoEvent OnNotifyInputDeviceInfo;
    TXaudioFilterInfoEvent OnNotifyInputFilterInfo;
    TXaudioIntegerEvent OnNotifyOutputState;
    TXaudioStringEvent OnNotifyOutputName;
    TXaudioCardinalEvent OnNotifyOutputCaps;
    TXaudioVolumeEvent OnNotifyOutputVolume;
    TXaudioByteEvent OnNotifyOutputBalance;
    TXaudioByteEvent OnNotifyOutputPcmLevel;
    TXaudioByteEvent OnNotifyOutputMasterLevel;
    TXaudioByteEvent OnNotifyOutputChannels;
    TXaudioCardinalEvent OnNotifyOutputPorts;
    TXaudioSmallIntEvent OnNotifyOutputModule;
    TXaudioModuleInfoEvent OnNotifyOutputModuleInfo;
    TXaudioDeviceInfoEvent OnNotifyOutputDeviceInfo;
    TXaudioFilterInfoEvent OnNotifyOutputFilterInfo;
    TXaudioStringEvent OnNotifyStreamMimeType;
    TXaudioCardinalEvent OnNotifyStreamDuration;
    TXaudioStreamParametersEvent OnNotifyStreamParameters;
    TXaudioStreamPropertiesEvent OnNotifyStreamProperties;
    TXaudioByteEvent OnNotifyCodecQuality;
    TXaudioEqualizerEvent OnNotifyCodecEqualizer;
    TXaudioSmallIntEvent OnNotifyCodecModule;
    TXaudioModuleInfoEvent OnNotifyCodecModuleInfo;
    TXaudioDeviceInfoEvent OnNotifyCodecDeviceInfo;
    TXaudioCardinalEvent OnNotifyNotificationMask;
    TXaudioByteEvent OnNotifyDebugLevel;
    TXaudioProgressEvent OnNotifyProgress;
    TXaudioDebugEvent OnNotifyDebug;
    TXaudioErrorEvent OnNotifyError;

private:
    void LoadXaudio();
    void UnloadXaudio();
    void WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    void RaiseEvent(XA_Message &m);

    template <typename Send, typename... Args>
    int SendCommand(Send &send, int code, Args... args)
    {
        if (!Init())
            return 0;
        return send(player_, code, args...);
    }

    // State, in the order of the original component.
    XA_Player *player_ = nullptr;
    uint32_t storedPriority_ = 3;
    std::unique_ptr<MessageWindow> window_;
    tb_window *windowHandle_ = nullptr; // the field whose address the library is given
    void *library_ = nullptr;
    QString xaudioPath_;

    // The 17 entry points, in look-up order.
    XA_player_new_fn player_new_ = nullptr;
    XA_player_delete_fn player_delete_ = nullptr;
    XA_player_set_priority_fn player_set_priority_ = nullptr;
    XA_player_get_priority_fn player_get_priority_ = nullptr;
    XA_xaudio_error_string_fn xaudio_error_string_ = nullptr;
    XA_xaudio_get_version_fn xaudio_get_version_ = nullptr;
    XA_send_N_fn control_message_send_N_ = nullptr;
    XA_send_P_fn control_message_send_P_ = nullptr;
    XA_send_S_fn control_message_send_S_ = nullptr;
    XA_send_SS_fn control_message_send_SS_ = nullptr;
    XA_send_SI_fn control_message_send_SI_ = nullptr;
    XA_send_IPI_fn control_message_send_IPI_ = nullptr;
    XA_send_I_fn control_message_send_I_ = nullptr;
    XA_send_II_fn control_message_send_II_ = nullptr;
    XA_send_III_fn control_message_send_III_ = nullptr;
    XA_send_IIII_fn control_message_send_IIII_ = nullptr;
    XA_params_to_message_fn control_win32_params_to_message_ = nullptr;
};

} // namespace tb
