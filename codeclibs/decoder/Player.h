// One player: a thread that takes commands in order, decodes its input into its output and
// reports what happens as notifications.
//
// Threads: the program's thread calls send(), toMessage(), quit() and setPriority(); the
// player's own thread runs run() and everything it calls, and alone touches the members under
// "Owned by the player's thread"; the input counts the stream's length on a third thread (see
// MpegInput). Locks: lock_ guards the command queue and the end flags; the Notifier's lock guards
// its queue of notifications. They are never nested: a notification is posted with lock_ free.
#pragma once

#include "MpegInput.h"
#include "Notifier.h"
#include "PcmOutput.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tb::decoder {

// A command as sent; texts and the equalizer table are copied when it is sent.
struct Command {
    int code = 0;
    int values[4] = {};
    std::string text1;
    std::string text2;
    bool hasTable = false;
    XA_EqualizerInfo table{};
};

class Player {
public:
    explicit Player(tb_window *window);
    ~Player();
    // Asks the thread to end at once (between two frames) and waits for it up to `limit`;
    // false when it has not ended by then (it is blocked in the system).
    bool quit(std::chrono::milliseconds limit);
    // Nothing more reaches the caller's window.
    void silence() { notifier_.silence(); }
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    // Any thread; the command runs later on the player's thread.
    void send(Command command);
    int toMessage(XA_Message *out, uint32_t msg, uintptr_t wparam, intptr_t lparam);

    // 0 lowest .. 4 highest; 3 is the default.
    static constexpr int DefaultPriority = 3;
    int priority() const { return priority_; }
    int setPriority(int priority);

private:
    void run();
    void applyPriority();
    void handle(const Command &command);
    void decodeStep();

    // Commands.
    bool play(Failure &failure);
    bool pause(Failure &failure);
    void stop();
    bool seek(int offset, int range, Failure &failure);
    bool openInput(const std::string &path, Failure &failure);
    void closeInput();
    bool openOutput(const std::string &name, Failure &failure);
    void closeOutput();
    bool setVolume(int master, int pcm, int balance, Failure &failure);
    // Posts the description of module `id` of a kind, or of all with AllModules.
    static constexpr int AllModules = -1;
    bool listModules(int kind, int id);

    // Helpers.
    PcmOutput &output();
    void setState(int state);
    void endOfInput();
    void fail(const Failure &failure);
    void reportPosition(bool always);
    void reportDurationWhenKnown();
    void reportStream();
    const uint8_t *shaped(const uint8_t *data, size_t bytes);
    void post(Notification n) { notifier_.post(std::move(n)); }
    void postAck(int command);
    void postNack(int command, int error);
    void postText(int code, const std::string &text);
    void postValue(int code, int64_t value);

    static std::atomic<uintptr_t> nextSerial_;
    Notifier notifier_;
    std::atomic<int> priority_{DefaultPriority};
    std::atomic<pid_t> threadId_{0};

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable ended_;
    bool threadEnded_ = false;
    std::deque<Command> commands_;
    std::atomic<bool> commandsWaiting_{false};
    bool quit_ = false;

    // Owned by the player's thread.
    MpegInput input_;
    std::unique_ptr<PcmOutput> output_; // null: the default audio device
    DeviceOutput defaultOutput_{""};
    int state_ = XA_PLAYER_STATE_STOPPED;
    bool outputBegun_ = false;
    int positionRange_ = 1000;
    int timecodeGranularityMs_ = 1000; // the program shows whole seconds
    int64_t lastTimecodeStep_ = -1;
    int64_t lastPositionOffset_ = -1;
    bool durationReported_ = true;
    int playerMode_ = 0;
    int inputModule_ = 0;
    int outputModule_ = 0;
    int notificationMask_ = -1;
    int debugLevel_ = 0;
    bool muted_ = false;
    int masterLevel_ = 100;
    int pcmLevel_ = 100;
    int balance_ = 50;
    bool equalizerOn_ = false;
    XA_EqualizerInfo equalizer_{};
    std::map<std::string, int> environmentIntegers_;
    std::map<std::string, std::string> environmentStrings_;
    std::vector<int16_t> shapedSamples_;

    std::thread thread_; // last: starts once everything above exists
};

} // namespace tb::decoder
