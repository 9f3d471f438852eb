#pragma once

class QMenu;

namespace dq {

// Adds the browser Tools menu's "Alternate Search Font Color" submenu: "Normal"
// (`mnuAltColorBlack`) and the three toggles "Add Blue", "Add Red", "Add Green"
// (`mnuAltColor_1` to `_3`). The grab reads the ticks when it starts, so successive runs
// are coloured with black first and then every ticked colour in turn.
void addSearchColorMenu(QMenu *tools);

} // namespace dq
