#pragma once
// Whether the open sound device still plays. Whatever notices a loss says so here: a
// driver's own thread (JACK's shutdown callback, a write the server refused) or the main
// thread seeing that the device has stopped asking for sound. The main thread then closes
// the device, keeps time without it and tries to open it again.

#include <atomic>
#include <functional>
#include <utility>

namespace pattaplex {

class DeviceHealth {
  public:
    // Main thread, before any device opens: told on the reporting thread, once per loss.
    // It should only pass the news on to the main thread.
    void setOnLoss(std::function<void()> onLoss) { onLoss_ = std::move(onLoss); }

    // Main thread, as a device opens: what losing it is called ("the JACK server has
    // gone"); any earlier loss is forgotten. The text must outlive the device.
    void watch(const char* lossReason) {
        reason_.store(lossReason);
        lost_.store(false);
    }
    // Main thread, as the device closes: later reports are about nothing.
    void unwatch() { reason_.store(nullptr); }

    // Any thread but the audio callback's: the watched device has gone.
    void reportLost() {
        if (!reason_.load() || lost_.exchange(true)) return;
        if (onLoss_) onLoss_();
    }

    // The reason while the watched device is lost, else nullptr.
    const char* lost() const { return lost_.load() ? reason_.load() : nullptr; }

  private:
    std::function<void()> onLoss_;
    std::atomic<const char*> reason_{nullptr};
    std::atomic<bool> lost_{false};
};

}  // namespace pattaplex
