// Random linking, format changes and driver walks over a small wave chain; every step must keep
// each link with two ends, the chain free of cycles and every format a private, complete copy.
#include "platform/Exception.h"
#include "wavepipe/MMDSPComponent.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The end of a chain that offers no Input link of its own.
class Tail : public tb::TMMDSPComponent {
protected:
    bool OffersInputLink() const override { return false; }
};

class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }
    const uint8_t *take(size_t &n)
    {
        n = std::min(n, size_ - pos_);
        const uint8_t *p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

constexpr size_t Count = 5; // three plain members, a tail, the driver

std::unique_ptr<tb::TMMDSPComponent> make(size_t index)
{
    if (index == 3)
        return std::make_unique<Tail>();
    if (index == 4)
        return std::make_unique<tb::TMMCustomSoundComponent>();
    return std::make_unique<tb::TMMDSPComponent>();
}

void checkChain(const std::array<std::unique_ptr<tb::TMMDSPComponent>, Count> &parts)
{
    for (const auto &c : parts) {
        if (c->Output())
            check(c->Output()->Input() == c.get());
        if (c->Input())
            check(c->Input()->Output() == c.get());
        // no cycles
        size_t steps = 0;
        for (tb::TMMDSPComponent *p = c.get(); p; p = p->Output())
            check(++steps <= Count);
        // a member with an Input holds its own copy of the format arriving from it
        if (tb::TMMDSPComponent *in = c->Input()) {
            const WAVEFORMATEX *mine = c->PWaveFormat();
            const WAVEFORMATEX *theirs = in->PWaveFormat();
            check((mine == nullptr) == (theirs == nullptr));
            if (mine) {
                check(mine != theirs);
                const size_t n = tb::waveFormatCopySize(*mine);
                check(n == tb::waveFormatCopySize(*theirs) && std::memcmp(mine, theirs, n) == 0);
            }
        }
        check(c->BufferSize() >= 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::array<std::unique_ptr<tb::TMMDSPComponent>, Count> parts;
    for (size_t i = 0; i < Count; ++i)
        parts[i] = make(i);
    auto *driver = static_cast<tb::TMMCustomSoundComponent *>(parts[4].get());
    auto pick = [&](uint8_t b) -> tb::TMMDSPComponent * { return b % (Count + 1) == Count ? nullptr : parts[b % (Count + 1)].get(); };

    Bytes in(data, size);
    for (int step = 0; step < 200 && !in.empty(); ++step) {
        const uint8_t op = in.next() % 11;
        const size_t a = in.next() % Count;
        try {
            switch (op) {
            case 0: parts[a]->SetInput(pick(in.next())); break;
            case 1: parts[a]->SetOutput(pick(in.next())); break;
            case 2: {
                if (parts[a]->Input())
                    break; // formats enter a chain at its head
                size_t n = in.next() % 48;
                const uint8_t *bytes = in.take(n);
                const tb::WaveFormatCopy format = tb::WaveFormatCopy::fromBytes(bytes, n);
                check(format.size() >= sizeof(WAVEFORMATEX) && format.size() <= std::max(n, sizeof(WAVEFORMATEX)));
                parts[a]->SetPWaveFormat(format.get());
                check(parts[a]->PWaveFormat() != format.get());
                break;
            }
            case 3: driver->Open(); break;
            case 4: driver->Start(); break;
            case 5: driver->Stop(); break;
            case 6: driver->Close(); break;
            case 7: parts[a]->SetBufferSize(int32_t(in.next()) * 97 - 500); break;
            case 8:
                if (a != 4) {
                    parts[a].reset();
                    parts[a] = make(a);
                }
                break;
            case 9: parts[a]->SetAcceptsInput(in.next() & 1); break;
            case 10: {
                PWaveHdr header = driver->AllocWaveHeader(driver->BufferSize());
                check(header->lpData == reinterpret_cast<char *>(header) + TB_WAVEHDR_SIZE);
                bool more = false;
                driver->BufferLoad(header, more);
                driver->FreeWaveHeader(header);
                break;
            }
            }
        } catch (const tb::Exception &) {
        }
        checkChain(parts);
    }
    return 0;
}
