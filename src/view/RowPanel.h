#pragma once
// Each grid row's controls, standing level with the row's band in the grid beside it:
// the row button, the sound selector and name, the volume slider and number.

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "GrooveState.h"

namespace pattaplex {

class RowPanel : public QWidget {
    Q_OBJECT
  public:
    explicit RowPanel(QWidget* parent = nullptr);

    // Rows are counted 1..10.
    QPushButton* rowButton(int row) const { return at(rows_, row).button; }
    QSpinBox* soundSelector(int row) const { return at(rows_, row).sound; }
    QLabel* soundName(int row) const { return at(rows_, row).name; }
    QSlider* volumeSlider(int row) const { return at(rows_, row).volume; }
    QLabel* volumeField(int row) const { return at(rows_, row).volumeText; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct RowControls {
        QWidget* strip = nullptr;
        QPushButton* button = nullptr;
        QSpinBox* sound = nullptr;
        QLabel* name = nullptr;
        QSlider* volume = nullptr;
        QLabel* volumeText = nullptr;
    };
    template <typename Rows>
    static const RowControls& at(const Rows& rows, int row) {
        return rows[static_cast<size_t>(row - 1)];
    }

    QWidget* header_ = nullptr;
    std::array<RowControls, kRowCount> rows_{};
};

}  // namespace pattaplex
