#pragma once
// The groove's swing and humanise, beside the tempo: three small number fields that take
// typed values as the tempo field does.

#include <QSpinBox>
#include <QWidget>
#include <functional>

namespace pattaplex {

class FeelControls : public QWidget {
    Q_OBJECT
  public:
    explicit FeelControls(QWidget* parent = nullptr);

    std::function<void(int percent)> onSwing;
    std::function<void(int ms, int velocity)> onHumanise;

    // Shows the values without sending them back; swing is greyed out, its value kept,
    // where the grid has no pairs of steps to swing.
    void show(int swing, bool swingApplies, int humaniseMs, int humaniseVelocity);

    QSpinBox* swing() const { return swing_; }
    QSpinBox* humaniseTime() const { return humaniseMs_; }
    QSpinBox* humaniseVelocity() const { return humaniseVelocity_; }

  private:
    QSpinBox* swing_;
    QSpinBox* humaniseMs_;
    QSpinBox* humaniseVelocity_;
};

}  // namespace pattaplex
