#include "RowPanel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <algorithm>

#include "GridView.h"
#include "grid_geometry.h"
#include "names.h"

namespace pattaplex {

namespace {

constexpr int kStripHeight = 26;
constexpr int kNameWidth = 96;
constexpr int kVolumeTextWidth = 28;
constexpr int kButtonWidth = 30;
constexpr int kSoundWidth = 52;

QHBoxLayout* stripLayout(QWidget* strip) {
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);
    return layout;
}

QLabel* fixedLabel(const QString& text, int width, Qt::Alignment alignment) {
    auto* label = new QLabel(text);
    label->setFixedWidth(width);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

}  // namespace

RowPanel::RowPanel(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(GridView::kHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setMinimumWidth(350);

    header_ = new QWidget(this);
    QHBoxLayout* head = stripLayout(header_);
    head->addWidget(fixedLabel(tr("Row"), kButtonWidth, Qt::AlignHCenter));
    head->addWidget(fixedLabel(tr("Sound"), kSoundWidth + 6 + kNameWidth, Qt::AlignLeft));
    head->addWidget(new QLabel(tr("Volume")), 1);
    for (QLabel* label : header_->findChildren<QLabel*>()) {
        QFont small = label->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        label->setFont(small);
    }

    for (int n = 1; n <= kRowCount; ++n) {
        RowControls& row = rows_[static_cast<size_t>(n - 1)];
        row.strip = new QWidget(this);
        QHBoxLayout* layout = stripLayout(row.strip);

        row.button = new QPushButton(QString::number(n));
        row.button->setFixedWidth(kButtonWidth);
        row.button->setCheckable(true);  // checked while the row is the selected one
        row.button->setToolTip(tr("Select and hear row %1").arg(n));
        row.button->setAccessibleName(tr("Row %1").arg(n));

        row.sound = new QSpinBox;
        row.sound->setRange(0, kNamedNotes - 1);
        row.sound->setFixedWidth(kSoundWidth);
        row.sound->setToolTip(tr("Sound of row %1").arg(n));
        row.sound->setAccessibleName(tr("Sound of row %1").arg(n));

        row.name = fixedLabel(QString(), kNameWidth, Qt::AlignLeft);

        row.volume = new QSlider(Qt::Horizontal);
        row.volume->setRange(0, 127);
        row.volume->setMinimumWidth(100);
        row.volume->setToolTip(tr("Volume of row %1").arg(n));
        row.volume->setAccessibleName(tr("Volume of row %1").arg(n));

        row.volumeText = fixedLabel(QString(), kVolumeTextWidth, Qt::AlignRight);

        layout->addWidget(row.button);
        layout->addWidget(row.sound);
        layout->addWidget(row.name);
        layout->addWidget(row.volume, 1);
        layout->addWidget(row.volumeText);
    }
}

void RowPanel::markSelected(int row) {
    for (int n = 1; n <= kRowCount; ++n) {
        QPushButton* button = rowButton(n);
        const QSignalBlocker blocker(button);
        button->setChecked(n == row);
    }
}

void RowPanel::alignWith(GridView* grid) {
    grid_ = grid;
    grid_->installEventFilter(this);
    placeRows();
}

bool RowPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeRows();
    return QWidget::eventFilter(watched, event);
}

// The band's centre in the panel's own coordinates.
int RowPanel::bandCentre(int row) const {
    if (!grid_ || grid_->width() <= 0 || grid_->parentWidget() != parentWidget())
        return GridView::kHeight - grid::rowCentreY(row);
    const QPointF inGrid = grid_->drawingToWidget().map(QPointF(0, grid::rowCentreY(row)));
    return qRound(inGrid.y()) + grid_->y() - y();
}

void RowPanel::resizeEvent(QResizeEvent*) {
    placeRows();
}

void RowPanel::placeRows() {
    const int firstTop = bandCentre(1) - kStripHeight / 2;
    // The column captions stand just above the first row.
    const int headerHeight = std::min(firstTop, 24);
    header_->setGeometry(0, firstTop - headerHeight, width(), headerHeight);
    for (int n = 1; n <= kRowCount; ++n)
        rows_[static_cast<size_t>(n - 1)].strip->setGeometry(0, bandCentre(n) - kStripHeight / 2,
                                                             width(), kStripHeight);
}

}  // namespace pattaplex
