#pragma once
// Each grid row's controls, standing level with the row's band in the grid beside it
// however large the grid is drawn: the row button, the sound selector and name, the
// volume slider and number. Each row keeps its natural height.

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "GrooveState.h"

class QEvent;

namespace pattaplex {

class RowPanel : public QWidget {
    Q_OBJECT
  public:
    explicit RowPanel(QWidget* parent = nullptr);

    // Keeps the rows level with the bands of `grid`, which stands beside the panel.
    void alignWith(class GridView* grid);
    // Marks the selected row's button as chosen; 0 marks none.
    void markSelected(int row);

    // Rows are counted 1..10.
    QPushButton* rowButton(int row) const { return at(rows_, row).button; }
    QSpinBox* soundSelector(int row) const { return at(rows_, row).sound; }
    QLabel* soundName(int row) const { return at(rows_, row).name; }
    QSlider* volumeSlider(int row) const { return at(rows_, row).volume; }
    QLabel* volumeField(int row) const { return at(rows_, row).volumeText; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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

    void placeRows();
    int bandCentre(int row) const;

    class GridView* grid_ = nullptr;
    QWidget* header_ = nullptr;
    std::array<RowControls, kRowCount> rows_{};
};

}  // namespace pattaplex
