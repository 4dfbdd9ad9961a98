#include "StepEditor.h"

#include <QDialogButtonBox>
#include <QFormLayout>

#include "GrooveState.h"

namespace pattaplex {

StepEditor::StepEditor(QWidget* parent)
    : QDialog(parent), velocity_(new QSpinBox), repeats_(new QComboBox), chance_(new QComboBox) {
    setAccessibleName(tr("Step"));
    velocity_->setRange(1, 127);
    velocity_->setAccessibleName(tr("Velocity"));
    repeats_->setAccessibleName(tr("Repeats"));
    for (int r = 1; r <= kMostRepeats; ++r) repeats_->addItem(QString::number(r), r);
    chance_->setAccessibleName(tr("Chance"));
    for (int32_t percent : kChances) chance_->addItem(tr("%1 %").arg(percent), percent);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("Velocity"), velocity_);
    layout->addRow(tr("Repeats"), repeats_);
    layout->addRow(tr("Chance"), chance_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, [this] {
        if (onChange)
            onChange(row_, step_, velocity_->value(), repeats_->currentData().toInt(),
                     chance_->currentData().toInt());
    });
}

void StepEditor::edit(int row, int step, int velocity, int repeats, int chance) {
    row_ = row, step_ = step;
    setWindowTitle(tr("Step %1 of row %2").arg(step + 1).arg(row));
    velocity_->setValue(velocity);
    repeats_->setCurrentIndex(std::max(0, repeats_->findData(repeats)));
    chance_->setCurrentIndex(std::max(0, chance_->findData(chance)));
    velocity_->setFocus();
    open();
}

}  // namespace pattaplex
