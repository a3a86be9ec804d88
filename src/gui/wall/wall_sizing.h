#pragma once
// How big the fast mosaic window and its wall panel are for a wall of rows x columns. Up to
// 2 rows and 4 columns the window keeps its designed size; beyond, it grows by whole cell
// pitches from the size it has now.

struct WallSize {
    int windowWidth, windowHeight;
    int panelWidth, panelHeight;
    int sizedRows, sizedColumns;  // what the window is now sized for
};

inline constexpr int kRowPitch = 91;
inline constexpr int kColumnPitch = 132;
inline constexpr int kDesignedWindowWidth = 565, kDesignedWindowHeight = 620;
inline constexpr int kDesignedPanelWidth = 550, kDesignedPanelHeight = 184;
inline constexpr int kMinWindowWidth = 280, kMinWindowHeight = 250;

// `now` holds the current sizes; its sized rows and columns are raised to 2 and 4 first. The
// sized counts above the minimum are left for the caller to record.
constexpr WallSize sizeWall(int rows, int columns, WallSize now) {
    WallSize s = now;
    if (s.sizedRows < 2) s.sizedRows = 2;
    if (rows < 3) {
        s.windowHeight = kDesignedWindowHeight;
        s.panelHeight = kDesignedPanelHeight;
        s.sizedRows = 2;
    } else {
        s.windowHeight += (rows - s.sizedRows) * kRowPitch;
        s.panelHeight += (rows - s.sizedRows) * kRowPitch;
    }
    if (s.sizedColumns < 4) s.sizedColumns = 4;
    if (columns < 5) {
        s.windowWidth = kDesignedWindowWidth;
        s.panelWidth = kDesignedPanelWidth;
        s.sizedColumns = 4;
    } else {
        s.windowWidth += (columns - s.sizedColumns) * kColumnPitch;
        s.panelWidth += (columns - s.sizedColumns) * kColumnPitch;
    }
    return s;
}
