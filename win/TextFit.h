#pragma once
// Controls made big enough for their text. A dialog template gives sizes in dialog units
// measured for the font it names; the font a system really supplies (another face standing
// in for a missing one, another DPI's rounding) may need more room. Controls are only ever
// made larger, and what lies to their right or below moves just as far as it must.
#include "win/Win32.h"

#include <vector>

struct FitItem {
    RECT rect{};       // in the dialog's client coordinates
    SIZE needed{};     // the smallest size that shows the whole text; 0 for "as it is"
    bool container = false;  // a group box: it follows what lies inside it
};

struct FitLayout {
    std::vector<RECT> rects;  // one per item, in the same order
    SIZE client{};            // the dialog's client size
};

// The layout with every item at least its needed size. An item right of one that grew or
// moved, overlapping it vertically, moves just enough to keep `gap` pixels (or its old
// distance, when smaller) between them, so a column further right stays where it is; an
// item below one, overlapping it horizontally, keeps its old distance. What lies inside a
// group box moves with it; the group box keeps its margins round what it holds, and the
// dialog its narrowest margins round everything.
FitLayout PlanTextFit(const std::vector<FitItem>& items, SIZE client, int gap);

// Measures the static texts, check boxes and buttons that are direct children of `dialog`
// in their own fonts and carries out the plan above.
void FitDialogToText(HWND dialog);

// The room a check box or radio button keeps left of its text: the box and the gap after it.
int CheckBoxTextOffset(HWND button, HDC dc);
