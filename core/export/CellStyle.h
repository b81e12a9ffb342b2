#pragma once

// The indexes of the cell formats in "xl/styles.xml".
enum class CellStyleType {
    Plain = 0,
    BottomBorder = 1, // column titles
    Boxed = 2,
    Date = 3,
    TimeOfDay = 4,
};
