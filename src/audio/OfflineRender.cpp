#include "OfflineRender.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "EngineSink.h"
#include "NoteSink.h"
#include "StepClock.h"
#include "SynthEngine.h"
#include "WavFile.h"

namespace pattaplex {

namespace {

constexpr int kBlock = 256;
constexpr int64_t kLongestTail = int64_t{kSampleRate} * 4;
constexpr int64_t kSilenceToEnd = kSampleRate / 10;
constexpr float kSilence = 1.0f / 32768.0f;  // below the last bit of a 16-bit sample

// Counts the passes: a pass ends when the step after the sounded one is step 0.
class PassCounter final : public ClockListener {
  public:
    void stepSounded(int nextStep) override {
        if (nextStep == 0) ++passes;
    }
    void loopWrapping() override {}
    int passes = 0;
};

}  // namespace

std::optional<RenderedAudio> renderGroove(const GrooveState& original, int passes,
                                          std::string& why) {
    GrooveState s = original;
    s.LOOP = 0;
    SynthEngine engine;
    if (auto error = engine.load()) {
        why = *error;
        return std::nullopt;
    }
    const auto preset = kitPreset(s.KIT);
    if (!preset || !engine.selectPreset(*preset)) {
        why = "the soundfonts have no instrument or kit " + std::to_string(s.KIT);
        return std::nullopt;
    }
    EngineSink sink(engine);
    StepClock clock(s, sink);
    PassCounter counter;
    clock.setListener(&counter);

    RenderedAudio audio;
    std::array<float, kBlock> left{}, right{};
    auto renderBlock = [&] {
        engine.render(left.data(), right.data(), kBlock);
        audio.left.insert(audio.left.end(), left.begin(), left.end());
        audio.right.insert(audio.right.end(), right.begin(), right.end());
    };

    if (stepCount(s) > 0) {
        clock.start();
        clock.pump();
        while (counter.passes < passes) {
            renderBlock();
            clock.pump();
        }
        // The last pass ends where the next step would have sounded.
        const int64_t end = clock.stop();
        while (engine.position() < end) renderBlock();
        audio.passesEnd = static_cast<size_t>(end);
    }
    const int64_t tailStart = static_cast<int64_t>(audio.left.size());
    int64_t quietSince = tailStart;
    while (static_cast<int64_t>(audio.left.size()) - tailStart < kLongestTail &&
           static_cast<int64_t>(audio.left.size()) - quietSince < kSilenceToEnd) {
        renderBlock();
        for (int i = 0; i < kBlock; ++i)
            if (std::fabs(left[i]) >= kSilence || std::fabs(right[i]) >= kSilence)
                quietSince = static_cast<int64_t>(audio.left.size()) - kBlock + i + 1;
    }
    return audio;
}

std::optional<std::string> writeWav(const std::string& path, const RenderedAudio& audio) {
    WavWriter wav;
    if (auto error = wav.open(path)) return error;
    wav.write(audio.left.data(), audio.right.data(), static_cast<int>(audio.left.size()));
    return wav.close();
}

}  // namespace pattaplex
