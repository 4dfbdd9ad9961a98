#include "LevelMeter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pattaplex {

namespace {

constexpr float kFallPerPoll = LevelMeter::kFallDbPerSecond * LevelMeter::kPollMs / 1000.0f;
// Colour bands: comfortable, loud, and at the limiter's ceiling.
constexpr float kLoudDb = -9.0f;
constexpr float kCeilingDb = -1.5f;

float toDb(float level) {
    return level > 0.0f && std::isfinite(level) ? 20.0f * std::log10(level) : LevelMeter::kFloorDb;
}

}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Output level"));
    setToolTip(tr("Output peak level; the mark holds the highest recent peak"));
    setFocusPolicy(Qt::NoFocus);
    // It paints every pixel of its own: at each poll only the meter is repainted, not the
    // box it stands in.
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &LevelMeter::poll);
}

void LevelMeter::setSource(std::function<float()> peak, std::function<bool()> playing) {
    peak_ = std::move(peak);
    playing_ = std::move(playing);
}

void LevelMeter::wake() {
    if (!peak_) return;
    wakeLeft_ = kWakePolls;
    if (!timer_.isActive()) timer_.start();
}

void LevelMeter::poll() {
    const float db = std::max(peak_ ? toDb(peak_()) : kFloorDb, kFloorDb);
    const float bar = barDb_, hold = holdDb_;
    barDb_ = std::max(db, barDb_ - kFallPerPoll);
    if (db >= holdDb_) {
        holdDb_ = db;
        holdLeft_ = kHoldPolls;
    } else if (holdLeft_ > 0) {
        --holdLeft_;
    } else {
        holdDb_ = std::max(holdDb_ - kFallPerPoll, barDb_);
    }
    if (wakeLeft_ > 0) --wakeLeft_;
    const bool playing = playing_ && playing_();
    if (!playing && wakeLeft_ == 0 && db <= kFloorDb && barDb_ <= kFloorDb && holdDb_ <= kFloorDb)
        timer_.stop();
    // Repainted only when the bar or the mark moves by a pixel.
    if (xOf(bar) != xOf(barDb_) || xOf(hold) != xOf(holdDb_)) update();
}

QSize LevelMeter::sizeHint() const {
    return {160, 14};
}

QSize LevelMeter::minimumSizeHint() const {
    return {60, 10};
}

int LevelMeter::xOf(float db) const {
    const float share = (std::clamp(db, kFloorDb, 0.0f) - kFloorDb) / -kFloorDb;
    return static_cast<int>(std::lround(share * static_cast<float>(width() - 2))) + 1;
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), palette().color(QPalette::Base).darker(140));
    const int top = 1, height = this->height() - 2;
    const int bar = xOf(barDb_);
    const struct {
        float from, to;
        QColor colour;
    } bands[] = {{kFloorDb, kLoudDb, QColor(60, 190, 80)},
                 {kLoudDb, kCeilingDb, QColor(230, 200, 40)},
                 {kCeilingDb, 0.0f, QColor(230, 60, 40)}};
    for (const auto& band : bands) {
        const int from = xOf(band.from), to = std::min(xOf(band.to), bar);
        if (to > from) p.fillRect(from, top, to - from, height, band.colour);
    }
    // A faint scale over the bar: a tick every 12 dB and one at -6 dB.
    QColor tick = palette().color(QPalette::Base);
    tick.setAlpha(150);
    p.setPen(tick);
    for (float db : {-48.0f, -36.0f, -24.0f, -12.0f, -6.0f})
        p.drawLine(xOf(db), top, xOf(db), top + height - 1);
    if (holdDb_ > kFloorDb)
        p.fillRect(xOf(holdDb_) - 1, top, 2, height, palette().color(QPalette::Text));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);
}

}  // namespace pattaplex
