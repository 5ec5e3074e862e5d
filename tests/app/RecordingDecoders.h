// Two decoders that record every equalizer call, in order, into one shared log.
#pragma once

#include "core/Equalizer.h"

#include <optional>
#include <string>
#include <vector>

namespace tb::test {

struct EqualizerCall {
    std::string decoder; // "mp3Player" or "Decoder"
    std::string call;    // "Set" or "Get"
    std::optional<XA_EqualizerInfo> table; // the table of a Set; none for null and for Get
};

class RecordingDecoder : public EqualizerTarget {
public:
    RecordingDecoder(std::string name, std::vector<EqualizerCall> &log) : name_(std::move(name)), log_(log) {}
    void SetCodecEqualizer(const XA_EqualizerInfo *table) override
    {
        log_.push_back({name_, "Set", table ? std::optional<XA_EqualizerInfo>(*table) : std::nullopt});
    }
    void GetCodecEqualizer() override { log_.push_back({name_, "Get", std::nullopt}); }

private:
    std::string name_;
    std::vector<EqualizerCall> &log_;
};

struct RecordingDecoders {
    std::vector<EqualizerCall> log;
    RecordingDecoder mp3Player{"mp3Player", log};
    RecordingDecoder decoder{"Decoder", log};

    // "mp3Player Set", "mp3Player Get", ... in order; a Set without a table reads "Set null".
    std::vector<std::string> calls() const
    {
        std::vector<std::string> out;
        for (const EqualizerCall &c : log)
            out.push_back(c.decoder + " " + c.call + (c.call == "Set" && !c.table ? " null" : ""));
        return out;
    }
    // The table of the last Set, when it had one.
    std::optional<XA_EqualizerInfo> lastTable() const
    {
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->call == "Set")
                return it->table;
        return std::nullopt;
    }
    size_t count(const std::string &call) const
    {
        size_t n = 0;
        for (const EqualizerCall &c : log)
            n += c.call == call;
        return n;
    }
};

// Every band of both channels at one value.
inline XA_EqualizerInfo flatTable(int8_t value)
{
    XA_EqualizerInfo t;
    for (int b = 0; b < 32; ++b)
        t.left[b] = t.right[b] = value;
    return t;
}

inline bool sameTable(const XA_EqualizerInfo &a, const XA_EqualizerInfo &b)
{
    for (int i = 0; i < 32; ++i)
        if (a.left[i] != b.left[i] || a.right[i] != b.right[i])
            return false;
    return true;
}

} // namespace tb::test
