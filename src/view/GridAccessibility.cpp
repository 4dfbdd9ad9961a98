#include "GridAccessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include "GridView.h"
#include "names.h"

namespace pattaplex {

namespace {

// A push button whose accessible press or toggle is a click at once, so that the choice
// of a kit, a grid size or a preset is made exactly as the mouse makes it (the toolkit's
// own toggle would only check the button).
class ClickingButton : public QAccessibleWidget {
  public:
    explicit ClickingButton(QAbstractButton* button)
        : QAccessibleWidget(button, !button->isCheckable() ? QAccessible::PushButton
                                    : button->autoExclusive() || button->group()
                                        ? QAccessible::RadioButton
                                        : QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty()) return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        return s;
    }
    QStringList actionNames() const override {
        if (button()->isCheckable()) return {pressAction(), toggleAction()};
        return {pressAction()};
    }
    void doAction(const QString& action) override {
        if ((action == pressAction() || action == toggleAction()) && button()->isEnabled())
            button()->click();
    }

  private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

class GridTable;

// One step of one row: "Row 3, Pedal Hat, step 5, on, velocity 90".
class GridCell : public QAccessibleInterface,
                 public QAccessibleTableCellInterface,
                 public QAccessibleActionInterface {
  public:
    GridCell(GridTable* table, GridView* view, int row, int column)
        : table_(table), view_(view), row_(row), column_(column) {}

    bool isValid() const override { return view_ && column_ < view_->shownSteps(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? view_->cellDescription(row_, column_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect inView = view_->cellRect(row_, column_);
        return QRect(view_->mapToGlobal(inView.topLeft()), inView.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.checkable = true;
        s.checked = view_->cellOn(row_, column_);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // Table cell.
    int columnExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int rowIndex() const override { return row_ - 1; }
    bool isSelected() const override { return false; }
    QAccessibleInterface* table() const override;

    // Actions: toggling the step is a click on it.
    QStringList actionNames() const override { return {toggleAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) view_->clickCell(row_, column_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    GridTable* table_;
    QPointer<GridView> view_;
    int row_, column_;
};

// The grid: ten rows by the steps shown.
class GridTable : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit GridTable(GridView* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~GridTable() override {
        for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || columnCount() == 0 || index >= childCount()) return nullptr;
        return cellAt(index / columnCount(), index % columnCount());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::Cell) return -1;
        const auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        return cell ? cell->rowIndex() * columnCount() + cell->columnIndex() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = view()->mapFromGlobal(QPoint(x, y));
        for (int r = 0; r < rowCount(); ++r)
            for (int c = 0; c < columnCount(); ++c)
                if (view()->cellRect(r + 1, c).contains(at)) return cellAt(r, c);
        return nullptr;
    }

    // Table.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    int columnCount() const override { return view()->shownSteps(); }
    int rowCount() const override { return kRowCount; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
        const int key = row * kBufferSize + column;
        auto found = cells_.constFind(key);
        if (found != cells_.constEnd()) return QAccessible::accessibleInterface(*found);
        auto* cell = new GridCell(const_cast<GridTable*>(this), view(), row + 1, column);
        cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    QString columnDescription(int column) const override {
        return QObject::tr("Step %1").arg(column + 1);
    }
    QString rowDescription(int row) const override { return QObject::tr("Row %1").arg(row + 1); }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectColumn(int) override { return false; }
    bool selectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

  private:
    GridView* view() const { return static_cast<GridView*>(widget()); }
    mutable QHash<int, QAccessible::Id> cells_;
};

QWindow* GridCell::window() const {
    return table_->window();
}
QAccessibleInterface* GridCell::parent() const {
    return table_;
}
QAccessibleInterface* GridCell::table() const {
    return table_;
}

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("pattaplex::GridView"))
        return new GridTable(static_cast<GridView*>(object));
    if (className == QLatin1String("QPushButton"))
        return new ClickingButton(static_cast<QAbstractButton*>(object));
    return nullptr;
}

}  // namespace

void installAccessibility() {
    QAccessible::installFactory(factory);
}

}  // namespace pattaplex
