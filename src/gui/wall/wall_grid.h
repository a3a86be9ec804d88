#pragma once
// The wall panel: one cell per screen of the wall, placed row by row at fixed pixel places.
// Each cell holds the screen's width and height entries and a colour button with its window
// ID; a click on the button selects the cell.

#include <QFrame>
#include <QGroupBox>
#include <vector>

class CColorButton;
class QLabel;
class QLineEdit;

// Control identifiers of cell k are base + k.
enum CellControl {
    kCellButtonId = 2000,
    kCellFrameId = 2100,
    kCellHeightEntryId = 2200,
    kCellWidthEntryId = 2300,
    kCellHeightLabelId = 2400,
    kCellWidthLabelId = 2500,
};

class WallCell final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 122, kHeight = 81;

    WallCell(int windowId, int resolutionWidth, int resolutionHeight, QWidget* parent);

    int windowId() const { return id_; }
    CColorButton* button() const { return button_; }
    QLineEdit* widthEntry() const { return widthEntry_; }
    QLineEdit* heightEntry() const { return heightEntry_; }
    // Grey, or green when selected; white caption. Clears a programming result.
    void setSelected(bool selected);
    // Green done or red failed, the reason in the tooltip.
    void showResult(bool done, const QString& reason);
    void retranslate();

private:
    int id_;
    CColorButton* button_;
    QLabel* widthLabel_;
    QLabel* heightLabel_;
    QLineEdit* widthEntry_;
    QLineEdit* heightEntry_;
};

class CWallGrid final : public QGroupBox {
    Q_OBJECT
public:
    explicit CWallGrid(QWidget* parent = nullptr);

    // Replaces every cell with rows x columns fresh ones showing the given sizes; cell 0 is
    // selected.
    void build(int rows, int columns, int resolutionWidth, int resolutionHeight);
    int cellCount() const { return static_cast<int>(cells_.size()); }
    WallCell* cell(int k) const { return cells_.at(static_cast<std::size_t>(k)); }
    void select(int k);

    // The fonts of the cells: a 20- or 10-point 宋体, or a CJK face close to it.
    static QFont cellFont(int pointSize);

Q_SIGNALS:
    void cellClicked(int windowId);

protected:
    void changeEvent(QEvent* event) override;

private:
    static QFont makeCellFont(int pointSize);

    std::vector<WallCell*> cells_;
};
