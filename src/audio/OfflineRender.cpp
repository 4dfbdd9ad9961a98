#include "OfflineRender.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "GrooveSnapshot.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "atomic_file.h"
#include "kit_mapping.h"

namespace pattaplex {

namespace {

constexpr int kBlock = 1024;
constexpr float kSilence = 1.0f / 32768.0f;  // below the last bit of a 16-bit sample

}  // namespace

std::optional<RenderResult> renderGroove(const GrooveState& original, const RenderOptions& o,
                                         const BlockWriter& write, std::string& why) {
    if (o.rate < kLowestRate || o.rate > kHighestRate) {
        why = "the rate must be from " + std::to_string(kLowestRate) + " to " +
              std::to_string(kHighestRate) + " Hz";
        return std::nullopt;
    }
    SynthEngine engine(o.rate, o.cores);
    if (auto error = engine.load()) {
        why = *error;
        return std::nullopt;
    }
    const auto preset = kitPreset(original.KIT);
    if (!preset || !engine.selectPreset(*preset)) {
        why = missingKitReason(original.KIT);
        return std::nullopt;
    }
    GrooveSnapshot groove = GrooveSnapshot::of(original);
    groove.seed = o.seed;
    engine.publish(groove);
    const bool plays = groove.steps > 0 && o.passes > 0;
    if (plays) {
        NoteCommand start;
        start.kind = NoteCommand::Kind::Start;
        start.time = o.passes;
        engine.send(start);
    }
    // For the progress: the passes at the groove's tempo, then up to the longest tail.
    const int64_t longestTail = int64_t{o.rate} * 4;
    const double passSamples =
        groove.steps * 60.0 * o.rate / (std::max(groove.tempo, kSlowestTempo) * groove.sub);
    const double expected = (plays ? passSamples * o.passes : 0) + static_cast<double>(longestTail);

    std::array<float, kBlock> left{}, right{};
    RenderResult result;
    auto renderBlock = [&](int frames) {
        if (o.cancel && o.cancel->load(std::memory_order_relaxed)) {
            why = "cancelled";
            return false;
        }
        engine.render(left.data(), right.data(), frames);
        result.length += frames;
        if (!write(left.data(), right.data(), frames)) {
            if (why.empty()) why = "cannot write the sound";
            return false;
        }
        if (o.progress && result.length % (kBlock * 64) == 0)
            o.progress(std::min(0.99, static_cast<double>(result.length) / expected));
        return true;
    };

    if (plays) {
        engine.render(nullptr, nullptr, 0);  // takes the start
        while (engine.report().running)
            if (!renderBlock(kBlock)) return std::nullopt;
        // The last pass ends where the next step would have sounded.
        const int64_t end = engine.report().nextTime;
        while (result.length < end)
            if (!renderBlock(static_cast<int>(std::min<int64_t>(kBlock, end - result.length))))
                return std::nullopt;
        result.passesEnd = end;
    }
    const int64_t tailStart = result.length;
    int64_t quietSince = tailStart;
    const int64_t silenceToEnd = o.rate / 10;
    while (result.length - tailStart < longestTail && result.length - quietSince < silenceToEnd) {
        if (!renderBlock(kBlock)) return std::nullopt;
        for (int i = 0; i < kBlock; ++i)
            if (std::fabs(left[i]) >= kSilence || std::fabs(right[i]) >= kSilence)
                quietSince = result.length - kBlock + i + 1;
    }
    if (o.progress) o.progress(1.0);
    return result;
}

std::optional<std::string> renderToFile(const GrooveState& s, const std::string& path,
                                        const RenderOptions& options, RenderResult* lengths) {
    const Status done = replaceFileWith(path, [&](int fd, const std::string&) -> Status {
        WavWriter out;
        if (auto error = out.open(fd, options.rate, path)) return failure(*error);
        std::string why;
        bool writeFailed = false;
        const auto rendered = renderGroove(
            s, options,
            [&](const float* l, const float* r, int n) {
                writeFailed = !out.write(l, r, n);
                return !writeFailed;
            },
            why);
        const std::optional<std::string> closed = out.close();
        // A failed write is best told by the file's own error.
        if (!rendered && !(writeFailed && closed)) return failure(why);
        if (closed) return failure(*closed);
        // The last moment a cancel can stop the export: past here the file replaces the
        // old one and is kept.
        if (options.cancel && options.cancel->load()) return failure("cancelled");
        if (lengths) *lengths = *rendered;
        return {};
    });
    if (!done) return done.error();
    return std::nullopt;
}

std::optional<RenderedAudio> renderToMemory(const GrooveState& s, int passes, std::string& why,
                                            int rate) {
    RenderedAudio audio;
    RenderOptions o;
    o.passes = passes;
    o.rate = rate;
    const auto done = renderGroove(
        s, o,
        [&](const float* l, const float* r, int n) {
            audio.left.insert(audio.left.end(), l, l + n);
            audio.right.insert(audio.right.end(), r, r + n);
            return true;
        },
        why);
    if (!done) return std::nullopt;
    audio.passesEnd = static_cast<size_t>(done->passesEnd);
    return audio;
}

}  // namespace pattaplex
