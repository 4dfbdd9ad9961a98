#pragma once
// The output level meter: a bar showing the peak of the sound output in dBFS, falling
// smoothly after each peak, with a mark that holds the highest recent peak for a moment.
// It polls the sound side on a timer only while sound may be heard: while the groove
// plays, for a moment after anything that may have made a sound, and until what sounded
// has died away and the bar has fallen. Idle and silent, no timer runs.

#include <QTimer>
#include <QWidget>
#include <functional>

namespace pattaplex {

class LevelMeter : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPollMs = 30;
    static constexpr float kFloorDb = -60.0f;  // the empty bar
    static constexpr float kFallDbPerSecond = 20.0f;
    static constexpr int kHoldPolls = 50;  // the peak mark stays 1.5 s
    static constexpr int kWakePolls = 20;  // time for a sound to reach the device

    explicit LevelMeter(QWidget* parent = nullptr);

    // Where the levels come from: the output's peak since the last reading (1 = full
    // scale) and whether the groove is playing.
    void setSource(std::function<float()> peak, std::function<bool()> playing);

    // Something may have just made a sound: polls at least for a moment.
    void wake();
    bool polling() const { return timer_.isActive(); }

    // One reading: takes the peak, lets the bar and the mark fall, and stops polling once
    // nothing plays, nothing sounds and the bar is empty.
    void poll();

    float barDb() const { return barDb_; }
    float holdDb() const { return holdDb_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int xOf(float db) const;

    QTimer timer_;
    std::function<float()> peak_;
    std::function<bool()> playing_;
    float barDb_ = kFloorDb;
    float holdDb_ = kFloorDb;
    int holdLeft_ = 0;
    int wakeLeft_ = 0;
};

}  // namespace pattaplex
