#include "Player.h"

#include <algorithm>
#include <cmath>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tb::decoder {

namespace {
constexpr std::string_view WavPrefix = "wav:";

bool isDeviceName(const std::string &name)
{
    return name.empty() || name == "audio" || name == "audio:" || name == "default";
}

// The modules a player offers: [kind][id] = name, description.
enum ModuleKind { InputModules, OutputModules, CodecModules };
struct ModuleEntry {
    const char *name;
    const char *description;
};
const std::vector<ModuleEntry> &modules(int kind)
{
    static const std::vector<ModuleEntry> input{{"file", "MPEG audio file reader"}};
    static const std::vector<ModuleEntry> output{{"wav", "RIFF WAVE file writer (wav:<path>)"},
                                                 {"audio", "default audio output"}};
    static const std::vector<ModuleEntry> codec{{"mpg123", "MPEG audio layers I, II and III (libmpg123)"}};
    return kind == InputModules ? input : kind == OutputModules ? output : codec;
}

int niceFor(int priority)
{
    static const int nice[] = {19, 10, 0, -5, -10};
    return nice[std::clamp(priority, 0, 4)];
}
} // namespace

std::atomic<uintptr_t> Player::nextSerial_{1};

Player::Player(tb_window *window) : notifier_(window, nextSerial_++), thread_([this] { run(); }) {}

Player::~Player()
{
    quit(std::chrono::milliseconds::max());
    thread_.join();
}

bool Player::quit(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> hold(lock_);
    quit_ = true;
    commandsWaiting_ = true; // ends a decoding between two frames
    wake_.notify_all();
    if (limit == std::chrono::milliseconds::max()) {
        ended_.wait(hold, [this] { return threadEnded_; });
        return true;
    }
    return ended_.wait_for(hold, limit, [this] { return threadEnded_; });
}

void Player::send(Command command)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        commands_.push_back(std::move(command));
        commandsWaiting_ = true;
    }
    wake_.notify_all();
}

int Player::toMessage(XA_Message *out, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    return notifier_.take(out, msg, wparam, lparam);
}

int Player::setPriority(int priority)
{
    if (priority < 0 || priority > 4)
        return XA_ERROR_INVALID_PARAMETERS;
    priority_ = priority;
    applyPriority();
    return XA_SUCCESS;
}

void Player::applyPriority()
{
    pid_t thread = threadId_;
    if (thread == 0)
        return;
    // Raising a priority needs a privilege; without it the thread keeps the normal one.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(thread), niceFor(priority_)) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(thread), 0);
}

void Player::run()
{
    threadId_ = static_cast<pid_t>(syscall(SYS_gettid));
    applyPriority();
    for (;;) {
        std::deque<Command> batch;
        {
            std::unique_lock<std::mutex> hold(lock_);
            bool decoding = state_ == XA_PLAYER_STATE_PLAYING;
            auto ready = [&] { return quit_ || !commands_.empty() || decoding; };
            // An idle player still reports the stream's length as soon as it has been counted.
            if (!durationReported_)
                wake_.wait_for(hold, std::chrono::milliseconds(5), ready);
            else
                wake_.wait(hold, ready);
            if (quit_)
                break;
            batch.swap(commands_);
            commandsWaiting_ = false;
        }
        reportDurationWhenKnown();
        for (const Command &command : batch)
            handle(command);
        // Decode until a command arrives, so commands wait at most one frame.
        while (state_ == XA_PLAYER_STATE_PLAYING && !commandsWaiting_)
            decodeStep();
    }
    // Leaving removes an output file that was not complete and gives the device back. The input
    // is closed here too, so whatever waits for its length counter waits on this thread, within
    // the time the deleting caller gives it, and never in the caller's own thread.
    Failure ignored;
    if (output_)
        output_->close(ignored);
    defaultOutput_.close(ignored);
    input_.close();
    {
        std::lock_guard<std::mutex> hold(lock_);
        threadEnded_ = true;
    }
    ended_.notify_all();
}

PcmOutput &Player::output() { return output_ ? *output_ : defaultOutput_; }

void Player::setState(int state)
{
    if (state == state_)
        return;
    state_ = state;
    Notification n(XA_MSG_NOTIFY_PLAYER_STATE);
    n.message.state.state = static_cast<uint8_t>(state);
    post(std::move(n));
}

void Player::postAck(int command)
{
    Notification n(XA_MSG_NOTIFY_ACK);
    n.message.ack.command = static_cast<uint8_t>(command);
    post(std::move(n));
}

void Player::postNack(int command, int error)
{
    Notification n(XA_MSG_NOTIFY_NACK);
    n.message.nack.command = static_cast<uint8_t>(command);
    n.message.nack.error = static_cast<int16_t>(error);
    post(std::move(n));
}

void Player::postText(int code, const std::string &text)
{
    Notification n(code);
    n.text1 = text;
    post(std::move(n));
}

// Notifications that carry one number at byte 4.
void Player::postValue(int code, int64_t value)
{
    Notification n(code);
    XA_Message &m = n.message;
    switch (code) {
    case XA_MSG_NOTIFY_PLAYER_MODE: m.mode.mode = static_cast<int32_t>(value); break;
    case XA_MSG_NOTIFY_INPUT_STATE:
    case XA_MSG_NOTIFY_OUTPUT_STATE: m.state.state = static_cast<uint8_t>(value); break;
    case XA_MSG_NOTIFY_INPUT_POSITION_RANGE: m.position_range.range = static_cast<int32_t>(value); break;
    case XA_MSG_NOTIFY_INPUT_TIMECODE_GRANULARITY: m.granularity.granularity = static_cast<uint32_t>(value); break;
    case XA_MSG_NOTIFY_INPUT_MODULE:
    case XA_MSG_NOTIFY_OUTPUT_MODULE:
    case XA_MSG_NOTIFY_CODEC_MODULE: m.module_id.id = static_cast<int16_t>(value); break;
    case XA_MSG_NOTIFY_OUTPUT_CHANNELS: m.channels.channels = static_cast<uint8_t>(value); break;
    case XA_MSG_NOTIFY_STREAM_DURATION: m.duration.duration = static_cast<uint32_t>(value); break;
    case XA_MSG_NOTIFY_CODEC_QUALITY: m.quality.quality = static_cast<uint8_t>(value); break;
    case XA_MSG_NOTIFY_NOTIFICATION_MASK: m.notification_mask.mask = static_cast<uint32_t>(value); break;
    case XA_MSG_NOTIFY_DEBUG_LEVEL: m.debug_level.level = static_cast<uint8_t>(value); break;
    default: break;
    }
    post(std::move(n));
}

void Player::fail(const Failure &failure)
{
    Notification n(XA_MSG_NOTIFY_ERROR);
    n.message.error.source = static_cast<uint8_t>(failure.source);
    n.message.error.error = static_cast<int16_t>(failure.code);
    n.text1 = failure.message;
    post(std::move(n));
}

void Player::handle(const Command &c)
{
    const int *v = c.values;
    Failure failure;
    bool ok = true;
    switch (c.code) {
    case XA_MSG_COMMAND_SYNC: post(Notification(XA_MSG_NOTIFY_READY)); break;
    case XA_MSG_COMMAND_PING: {
        Notification n(XA_MSG_NOTIFY_PONG);
        n.message.pong.tag = static_cast<uint32_t>(v[0]);
        post(std::move(n));
        break;
    }
    case XA_MSG_COMMAND_PLAY: ok = play(failure); break;
    case XA_MSG_COMMAND_PAUSE: ok = pause(failure); break;
    case XA_MSG_COMMAND_STOP: stop(); break;
    case XA_MSG_COMMAND_INPUT_SEEK: ok = seek(v[0], v[1], failure); break;
    case XA_MSG_COMMAND_INPUT_OPEN:
    case XA_MSG_SET_INPUT_NAME: ok = openInput(c.text1, failure); break;
    case XA_MSG_COMMAND_INPUT_CLOSE: closeInput(); break;
    case XA_MSG_COMMAND_OUTPUT_OPEN:
    case XA_MSG_SET_OUTPUT_NAME: ok = openOutput(c.text1, failure); break;
    case XA_MSG_COMMAND_OUTPUT_CLOSE: closeOutput(); break;
    case XA_MSG_COMMAND_OUTPUT_MUTE: muted_ = true; break;
    case XA_MSG_COMMAND_OUTPUT_UNMUTE: muted_ = false; break;
    case XA_MSG_COMMAND_OUTPUT_RESET: output().discard(); break;
    case XA_MSG_COMMAND_OUTPUT_DRAIN:
        if (state_ != XA_PLAYER_STATE_PAUSED)
            ok = output().finish(failure);
        break;
    case XA_MSG_COMMAND_INPUT_FILTERS_LIST:
    case XA_MSG_COMMAND_OUTPUT_FILTERS_LIST: break; // no filters: an empty list
    case XA_MSG_COMMAND_INPUT_MODULES_LIST: listModules(InputModules, AllModules); break;
    case XA_MSG_COMMAND_OUTPUT_MODULES_LIST: listModules(OutputModules, AllModules); break;
    case XA_MSG_COMMAND_CODEC_MODULES_LIST: listModules(CodecModules, AllModules); break;
    case XA_MSG_COMMAND_INPUT_MODULE_QUERY: ok = listModules(InputModules, v[0]); break;
    case XA_MSG_COMMAND_OUTPUT_MODULE_QUERY: ok = listModules(OutputModules, v[0]); break;
    case XA_MSG_COMMAND_CODEC_MODULE_QUERY: ok = listModules(CodecModules, v[0]); break;
    case XA_MSG_SET_PLAYER_MODE: playerMode_ = v[0]; break;
    case XA_MSG_GET_PLAYER_MODE: postValue(XA_MSG_NOTIFY_PLAYER_MODE, playerMode_); break;
    case XA_MSG_SET_PLAYER_ENVIRONMENT_INTEGER:
        environmentStrings_.erase(c.text1);
        environmentIntegers_[c.text1] = v[0];
        break;
    case XA_MSG_SET_PLAYER_ENVIRONMENT_STRING:
        environmentIntegers_.erase(c.text1);
        environmentStrings_[c.text1] = c.text2;
        break;
    case XA_MSG_GET_PLAYER_ENVIRONMENT_INTEGER: {
        auto found = environmentIntegers_.find(c.text1);
        if (found == environmentIntegers_.end()) {
            failure.code = XA_ERROR_NO_SUCH_ENVIRONMENT;
            ok = false;
            break;
        }
        Notification n(XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER);
        n.text1 = c.text1;
        n.message.env_integer.value = found->second;
        post(std::move(n));
        break;
    }
    case XA_MSG_GET_PLAYER_ENVIRONMENT_STRING: {
        auto found = environmentStrings_.find(c.text1);
        if (found == environmentStrings_.end()) {
            failure.code = XA_ERROR_NO_SUCH_ENVIRONMENT;
            ok = false;
            break;
        }
        Notification n(XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING);
        n.text1 = c.text1;
        n.text2 = found->second;
        post(std::move(n));
        break;
    }
    case XA_MSG_UNSET_PLAYER_ENVIRONMENT:
        ok = environmentIntegers_.erase(c.text1) + environmentStrings_.erase(c.text1) > 0;
        failure.code = XA_ERROR_NO_SUCH_ENVIRONMENT;
        break;
    case XA_MSG_GET_INPUT_NAME: postText(XA_MSG_NOTIFY_INPUT_NAME, input_.path()); break;
    case XA_MSG_SET_INPUT_MODULE:
    case XA_MSG_SET_OUTPUT_MODULE: {
        int kind = c.code == XA_MSG_SET_INPUT_MODULE ? InputModules : OutputModules;
        if (v[0] < 0 || v[0] >= static_cast<int>(modules(kind).size())) {
            failure.code = XA_ERROR_NO_SUCH_MODULE;
            ok = false;
        } else {
            (kind == InputModules ? inputModule_ : outputModule_) = v[0];
        }
        break;
    }
    case XA_MSG_GET_INPUT_MODULE: postValue(XA_MSG_NOTIFY_INPUT_MODULE, inputModule_); break;
    case XA_MSG_GET_OUTPUT_MODULE: postValue(XA_MSG_NOTIFY_OUTPUT_MODULE, outputModule_); break;
    case XA_MSG_SET_INPUT_POSITION_RANGE:
        ok = v[0] > 0;
        if (ok)
            positionRange_ = v[0];
        failure.code = XA_ERROR_INVALID_PARAMETERS;
        break;
    case XA_MSG_GET_INPUT_POSITION_RANGE: postValue(XA_MSG_NOTIFY_INPUT_POSITION_RANGE, positionRange_); break;
    case XA_MSG_SET_INPUT_TIMECODE_GRANULARITY:
        ok = v[0] > 0;
        if (ok)
            timecodeGranularityMs_ = v[0];
        failure.code = XA_ERROR_INVALID_PARAMETERS;
        break;
    case XA_MSG_GET_INPUT_TIMECODE_GRANULARITY:
        postValue(XA_MSG_NOTIFY_INPUT_TIMECODE_GRANULARITY, timecodeGranularityMs_);
        break;
    case XA_MSG_GET_OUTPUT_NAME: postText(XA_MSG_NOTIFY_OUTPUT_NAME, output().name()); break;
    case XA_MSG_SET_OUTPUT_VOLUME: ok = setVolume(v[0], v[1], v[2], failure); break;
    case XA_MSG_GET_OUTPUT_VOLUME: {
        Notification n(XA_MSG_NOTIFY_OUTPUT_VOLUME);
        n.message.volume.master_level = static_cast<uint8_t>(masterLevel_);
        n.message.volume.pcm_level = static_cast<uint8_t>(pcmLevel_);
        n.message.volume.balance = static_cast<uint8_t>(balance_);
        post(std::move(n));
        break;
    }
    case XA_MSG_GET_OUTPUT_CHANNELS:
        postValue(XA_MSG_NOTIFY_OUTPUT_CHANNELS, input_.isOpen() ? input_.format().channels : 2);
        break;
    case XA_MSG_SET_CODEC_QUALITY:
        // Only full quality is offered.
        ok = v[0] == 0;
        failure.code = XA_ERROR_NOT_SUPPORTED;
        break;
    case XA_MSG_GET_CODEC_QUALITY: postValue(XA_MSG_NOTIFY_CODEC_QUALITY, 0); break;
    case XA_MSG_SET_CODEC_EQUALIZER:
        equalizerOn_ = c.hasTable;
        equalizer_ = c.hasTable ? c.table : XA_EqualizerInfo{};
        input_.setEqualizer(c.hasTable ? &equalizer_ : nullptr);
        break;
    case XA_MSG_GET_CODEC_EQUALIZER: {
        Notification n(XA_MSG_NOTIFY_CODEC_EQUALIZER);
        n.equalizer = equalizer_; // all zero (flat) while the equalizer is off
        post(std::move(n));
        break;
    }
    case XA_MSG_SET_NOTIFICATION_MASK: notificationMask_ = v[0]; break;
    case XA_MSG_GET_NOTIFICATION_MASK: postValue(XA_MSG_NOTIFY_NOTIFICATION_MASK, notificationMask_); break;
    case XA_MSG_SET_DEBUG_LEVEL: debugLevel_ = v[0]; break;
    case XA_MSG_GET_DEBUG_LEVEL: postValue(XA_MSG_NOTIFY_DEBUG_LEVEL, debugLevel_); break;
    default:
        // Filters, module registration, module messages, channel and port routing: not offered.
        failure.code = XA_ERROR_NOT_SUPPORTED;
        ok = false;
        break;
    }
    if (ok) {
        postAck(c.code);
        return;
    }
    if (failure.code == XA_FAILURE && (c.code == XA_MSG_COMMAND_INPUT_MODULE_QUERY ||
                                       c.code == XA_MSG_COMMAND_OUTPUT_MODULE_QUERY ||
                                       c.code == XA_MSG_COMMAND_CODEC_MODULE_QUERY))
        failure.code = XA_ERROR_NO_SUCH_MODULE;
    postNack(c.code, failure.code);
}

bool Player::play(Failure &failure)
{
    if (!input_.isOpen()) {
        failure.code = XA_ERROR_NO_INPUT;
        return false;
    }
    if (state_ == XA_PLAYER_STATE_PLAYING)
        return true;
    if (state_ == XA_PLAYER_STATE_EOF) {
        input_.seek(0);
        outputBegun_ = false;
    }
    if (!outputBegun_) {
        if (!output().setTagChunks(input_.tagChunks(), failure) || !output().begin(input_.format(), failure)) {
            fail(failure);
            return false;
        }
        outputBegun_ = true;
    }
    output().pause(false);
    setState(XA_PLAYER_STATE_PLAYING);
    reportPosition(true);
    return true;
}

bool Player::pause(Failure &failure)
{
    if (state_ == XA_PLAYER_STATE_PAUSED)
        return true;
    if (state_ != XA_PLAYER_STATE_PLAYING) {
        failure.code = XA_ERROR_INVALID_STATE;
        return false;
    }
    output().pause(true);
    setState(XA_PLAYER_STATE_PAUSED);
    return true;
}

void Player::stop()
{
    if (outputBegun_) {
        output().discard();
        output().abandon();
        output().release();
        outputBegun_ = false;
    }
    if (input_.isOpen() && state_ != XA_PLAYER_STATE_STOPPED) {
        input_.seek(0);
        reportPosition(true);
    }
    setState(XA_PLAYER_STATE_STOPPED);
}

bool Player::seek(int offset, int range, Failure &failure)
{
    if (!input_.isOpen()) {
        failure.code = XA_ERROR_NO_INPUT;
        return false;
    }
    if (range <= 0 || offset < 0 || offset > range) {
        failure.code = XA_ERROR_INVALID_PARAMETERS;
        return false;
    }
    if (input_.length() < 0) {
        failure.code = XA_ERROR_NOT_SUPPORTED;
        return false;
    }
    int64_t target = input_.length() * offset / range;
    if (!input_.seek(target)) {
        failure.code = XA_ERROR_INPUT_READ_FAILED;
        return false;
    }
    if (outputBegun_)
        output().discard();
    // After the end, a seek makes the input playable again from the new place.
    if (state_ == XA_PLAYER_STATE_EOF)
        setState(XA_PLAYER_STATE_STOPPED);
    reportPosition(true);
    return true;
}

bool Player::openInput(const std::string &path, Failure &failure)
{
    closeInput();
    if (!input_.open(path, failure)) {
        fail(failure);
        return false;
    }
    postValue(XA_MSG_NOTIFY_INPUT_STATE, XA_INPUT_STATE_OPEN);
    postText(XA_MSG_NOTIFY_INPUT_NAME, path);
    reportStream();
    reportPosition(true);
    return true;
}

void Player::closeInput()
{
    durationReported_ = true; // nothing left to report
    if (outputBegun_) {
        // The stream was not decoded to its end: what it wrote is not wanted.
        output().discard();
        output().abandon();
        output().release();
        outputBegun_ = false;
    }
    setState(XA_PLAYER_STATE_STOPPED);
    if (!input_.isOpen())
        return;
    input_.close();
    postValue(XA_MSG_NOTIFY_INPUT_STATE, XA_INPUT_STATE_CLOSED);
}

bool Player::openOutput(const std::string &name, Failure &failure)
{
    closeOutput();
    if (isDeviceName(name)) {
        output_.reset();
    } else if (name.starts_with(WavPrefix)) {
        auto file = std::make_unique<WavFileOutput>(name);
        if (file->open(name.substr(WavPrefix.size()), failure)) {
            output_ = std::move(file);
        } else {
            output_ = std::make_unique<BrokenOutput>(name, failure);
            fail(failure);
            return false;
        }
    } else {
        failure = Failure{XA_ERROR_NOT_SUPPORTED, XA_ERROR_SOURCE_OUTPUT, "unknown output \"" + name + "\""};
        output_ = std::make_unique<BrokenOutput>(name, failure);
        fail(failure);
        return false;
    }
    postValue(XA_MSG_NOTIFY_OUTPUT_STATE, XA_OUTPUT_STATE_OPEN);
    postText(XA_MSG_NOTIFY_OUTPUT_NAME, name);
    return true;
}

void Player::closeOutput()
{
    // Closing the output ends playing into it.
    if (state_ == XA_PLAYER_STATE_PLAYING || state_ == XA_PLAYER_STATE_PAUSED)
        setState(XA_PLAYER_STATE_STOPPED);
    outputBegun_ = false;
    if (!output_) {
        defaultOutput_.release();
        return;
    }
    Failure failure;
    if (!output_->close(failure))
        fail(failure);
    output_.reset();
    postValue(XA_MSG_NOTIFY_OUTPUT_STATE, XA_OUTPUT_STATE_CLOSED);
}

bool Player::setVolume(int master, int pcm, int balance, Failure &failure)
{
    auto inRange = [](int v) { return v >= 0 && v <= 100; };
    if (!inRange(master) || !inRange(pcm) || !inRange(balance)) {
        failure.code = XA_ERROR_INVALID_PARAMETERS;
        return false;
    }
    masterLevel_ = master;
    pcmLevel_ = pcm;
    balance_ = balance;
    return true;
}

bool Player::listModules(int kind, int id)
{
    static const int codes[] = {XA_MSG_NOTIFY_INPUT_MODULE_INFO, XA_MSG_NOTIFY_OUTPUT_MODULE_INFO,
                                XA_MSG_NOTIFY_CODEC_MODULE_INFO};
    const auto &list = modules(kind);
    if (id != AllModules && (id < 0 || id >= static_cast<int>(list.size())))
        return false;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        if (id != AllModules && i != id)
            continue;
        Notification n(codes[kind]);
        n.message.module_info.id = static_cast<uint8_t>(i);
        n.message.module_info.nb_devices = 0;
        n.text1 = list[static_cast<size_t>(i)].name;
        n.text2 = list[static_cast<size_t>(i)].description;
        post(std::move(n));
    }
    return true;
}

void Player::reportStream()
{
    postText(XA_MSG_NOTIFY_STREAM_MIME_TYPE, "audio/mpeg");
    Notification n(XA_MSG_NOTIFY_STREAM_PARAMETERS);
    n.message.stream_parameters.frequency = input_.format().rate;
    n.message.stream_parameters.bitrate = static_cast<int16_t>(input_.bitrateKbps());
    n.message.stream_parameters.nb_channels = static_cast<uint8_t>(input_.format().channels);
    post(std::move(n));
    durationReported_ = false;
    reportDurationWhenKnown();
}

void Player::reportDurationWhenKnown()
{
    if (durationReported_ || !input_.isOpen() || !input_.lengthReady())
        return;
    durationReported_ = true;
    if (input_.length() >= 0)
        postValue(XA_MSG_NOTIFY_STREAM_DURATION, input_.length() / input_.format().rate);
}

void Player::reportPosition(bool always)
{
    // What is heard: the decoder is ahead by what the device still holds.
    auto latency = static_cast<int64_t>(outputBegun_ ? output().latencyFrames() : 0);
    int64_t sample = std::max<int64_t>(0, input_.position() - latency);
    reportDurationWhenKnown();
    int64_t ms = sample * 1000 / std::max(1u, input_.format().rate);
    int64_t step = ms / timecodeGranularityMs_;
    if (always || step != lastTimecodeStep_) {
        lastTimecodeStep_ = step;
        int64_t seconds = ms / 1000;
        Notification n(XA_MSG_NOTIFY_INPUT_TIMECODE);
        n.message.timecode.h = static_cast<uint8_t>(std::min<int64_t>(seconds / 3600, 255));
        n.message.timecode.m = static_cast<uint8_t>(seconds / 60 % 60);
        n.message.timecode.s = static_cast<uint8_t>(seconds % 60);
        n.message.timecode.f = static_cast<uint8_t>(ms % 1000 / 10);
        post(std::move(n));
    }
    int64_t length = input_.lengthReady() ? input_.length() : -1;
    if (length <= 0)
        return;
    int64_t offset = std::min<int64_t>(sample * positionRange_ / length, positionRange_);
    if (always || offset != lastPositionOffset_) {
        lastPositionOffset_ = offset;
        Notification n(XA_MSG_NOTIFY_INPUT_POSITION);
        n.message.position.offset = static_cast<uint32_t>(offset);
        n.message.position.range = static_cast<uint32_t>(positionRange_);
        post(std::move(n));
    }
}

// Mute, volume and balance, applied to a copy only when they change anything.
const uint8_t *Player::shaped(const uint8_t *data, size_t bytes)
{
    bool unity = !muted_ && masterLevel_ == 100 && pcmLevel_ == 100 && balance_ == 50;
    if (unity)
        return data;
    size_t count = bytes / sizeof(int16_t);
    shapedSamples_.resize(count);
    double gain = muted_ ? 0.0 : masterLevel_ / 100.0 * pcmLevel_ / 100.0;
    double left = gain * std::min(1.0, (100 - balance_) / 50.0);
    double right = gain * std::min(1.0, balance_ / 50.0);
    unsigned channels = input_.format().channels;
    const auto *in = reinterpret_cast<const int16_t *>(data);
    for (size_t i = 0; i < count; ++i) {
        double g = channels == 2 ? (i % 2 == 0 ? left : right) : gain;
        shapedSamples_[i] = static_cast<int16_t>(std::lround(in[i] * g));
    }
    return reinterpret_cast<const uint8_t *>(shapedSamples_.data());
}

void Player::decodeStep()
{
    const uint8_t *data = nullptr;
    size_t bytes = 0;
    Failure failure;
    switch (input_.read(data, bytes, failure)) {
    case MpegInput::Read::Data:
        if (!output().write(shaped(data, bytes), bytes, failure)) {
            fail(failure);
            stop();
            return;
        }
        reportPosition(false);
        return;
    case MpegInput::Read::NewFormat:
        reportStream();
        if (!output().begin(input_.format(), failure)) {
            fail(failure);
            stop();
        }
        return;
    case MpegInput::Read::Failed:
        // What was decoded so far stays; the damaged rest ends the input.
        fail(failure);
        endOfInput();
        return;
    case MpegInput::Read::End: endOfInput(); return;
    }
}

void Player::endOfInput()
{
    Failure failure;
    if (!output().complete(failure)) {
        // The file could not be completed: that is a failure, not an end of the input.
        fail(failure);
        stop();
        return;
    }
    output().release();
    outputBegun_ = false;
    input_.length(); // the length is known before the end is reported
    reportPosition(true);
    setState(XA_PLAYER_STATE_EOF);
}

} // namespace tb::decoder
