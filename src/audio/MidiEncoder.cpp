#include "MidiEncoder.h"

namespace pattaplex {

namespace {

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kClock = 0xF8;
constexpr uint8_t kStart = 0xFA;
constexpr uint8_t kContinue = 0xFB;
constexpr uint8_t kStop = 0xFC;
constexpr uint8_t kSongPosition = 0xF2;

}  // namespace

void MidiEncoder::releaseAll(int frame, MidiWriter& out) {
    for (size_t key = 0; key < sounding_.size(); ++key) {
        if (sounding_[key] == 0) continue;
        const uint8_t off[3] = {static_cast<uint8_t>(kNoteOff | (sounding_[key] - 1)),
                                static_cast<uint8_t>(key), 0};
        out.write(frame, off, 3);
        sounding_[key] = 0;
    }
}

void MidiEncoder::encode(std::span<const TimedEvent> events, const MidiOptions& options,
                         MidiWriter& out) {
    // A changed channel, or notes no longer sent, first ends what sounds.
    const bool sendNotes = options.sendNotes.load(std::memory_order_relaxed);
    const int wanted = options.channel.load(std::memory_order_relaxed);
    if (sendNotes != sendNotes_ || wanted != wantedChannel_) releaseAll(0, out);
    sendNotes_ = sendNotes;
    wantedChannel_ = wanted >= 0 && wanted <= 16 ? wanted : 0;
    const bool sendClock = options.sendClock.load(std::memory_order_relaxed);

    using Kind = TimedEvent::Kind;
    for (const TimedEvent& e : events) {
        switch (e.kind) {
            case Kind::NoteOn: {
                if (!sendNotes_) break;
                const int channel = noteChannel();
                const uint8_t on[3] = {static_cast<uint8_t>(kNoteOn | channel), e.key, e.velocity};
                out.write(e.frame, on, 3);
                sounding_[e.key] = static_cast<uint8_t>(channel + 1);
                break;
            }
            case Kind::NoteOff: {
                if (sounding_[e.key] == 0) break;  // already ended by a stop
                const uint8_t off[3] = {static_cast<uint8_t>(kNoteOff | (sounding_[e.key] - 1)),
                                        e.key, 0};
                out.write(e.frame, off, 3);
                sounding_[e.key] = 0;
                break;
            }
            case Kind::Silence:
                releaseAll(e.frame, out);
                break;
            case Kind::SetChannel:
                if (e.channel != kitChannel_ && wantedChannel_ == 0) releaseAll(e.frame, out);
                kitChannel_ = e.channel & 0x0F;
                break;
            case Kind::Stop:
                releaseAll(e.frame, out);
                if (sendClock) out.write(e.frame, &kStop, 1);
                break;
            case Kind::Start:
                if (sendClock) out.write(e.frame, &kStart, 1);
                break;
            case Kind::Continue:
                if (sendClock) {
                    const uint8_t position[3] = {
                        kSongPosition, static_cast<uint8_t>(e.songPosition & 0x7F),
                        static_cast<uint8_t>((e.songPosition >> 7) & 0x7F)};
                    out.write(e.frame, position, 3);
                    out.write(e.frame, &kContinue, 1);
                }
                break;
            case Kind::Clock:
                if (sendClock) out.write(e.frame, &kClock, 1);
                break;
        }
    }
}

}  // namespace pattaplex
