#pragma once
// The step editor: a small dialog, named "Step", with a step's velocity, repeats and
// chance. Its OK hands the three back as one change.

#include <QComboBox>
#include <QDialog>
#include <QSpinBox>
#include <functional>

namespace pattaplex {

class StepEditor : public QDialog {
    Q_OBJECT
  public:
    explicit StepEditor(QWidget* parent = nullptr);

    // Opens on row `row`'s step `step` (0-based) with its values; not waited for.
    void edit(int row, int step, int velocity, int repeats, int chance);
    std::function<void(int row, int step, int velocity, int repeats, int chance)> onChange;

    QSpinBox* velocity() const { return velocity_; }
    QComboBox* repeats() const { return repeats_; }
    QComboBox* chance() const { return chance_; }

  private:
    QSpinBox* velocity_;
    QComboBox* repeats_;
    QComboBox* chance_;
    int row_ = 0, step_ = 0;
};

}  // namespace pattaplex
