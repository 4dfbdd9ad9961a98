#include "FeelControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "GrooveState.h"

namespace pattaplex {

namespace {

QSpinBox* numberField(int lowest, int highest, const QString& suffix, const QString& name,
                      const QString& tip) {
    auto* field = new QSpinBox;
    field->setRange(lowest, highest);
    field->setSuffix(suffix);
    field->setAccessibleName(name);
    field->setToolTip(tip);
    return field;
}

}  // namespace

FeelControls::FeelControls(QWidget* parent)
    : QWidget(parent),
      swing_(numberField(kStraightSwing, kMostSwing, tr(" %"), tr("Swing"),
                         tr("Swing: the share of each pair of steps the first one takes; "
                            "50 % is straight, 66 % a triplet feel"))),
      humaniseMs_(numberField(0, kMostHumaniseMs, tr(" ms"), tr("Humanise timing"),
                              tr("Humanise: each hit moves up to this much early or late"))),
      humaniseVelocity_(numberField(0, kMostHumaniseVelocity, {}, tr("Humanise velocity"),
                                    tr("Humanise: each hit plays up to this much louder or "
                                       "softer"))) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Swing")));
    layout->addWidget(swing_);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(tr("Humanise")));
    layout->addWidget(humaniseMs_);
    layout->addWidget(humaniseVelocity_);
    layout->addStretch(1);
    connect(swing_, &QSpinBox::valueChanged, this, [this](int percent) {
        if (onSwing) onSwing(percent);
    });
    const auto humanise = [this] {
        if (onHumanise) onHumanise(humaniseMs_->value(), humaniseVelocity_->value());
    };
    connect(humaniseMs_, &QSpinBox::valueChanged, this, humanise);
    connect(humaniseVelocity_, &QSpinBox::valueChanged, this, humanise);
}

void FeelControls::show(int swing, bool swingApplies, int humaniseMs, int humaniseVelocity) {
    for (QSpinBox* field : {swing_, humaniseMs_, humaniseVelocity_}) {
        const QSignalBlocker blocker(field);
        field->setValue(field == swing_        ? swing
                        : field == humaniseMs_ ? humaniseMs
                                               : humaniseVelocity);
    }
    swing_->setEnabled(swingApplies);
    swing_->setAccessibleDescription(swingApplies ? QString()
                                                  : tr("No swing with 1 or 3 steps per beat"));
}

}  // namespace pattaplex
