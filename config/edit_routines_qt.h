// The edit routines of the parameter and address dialogs: each reads one QLineEdit's text when the dialog
// writes, stores the parsed value into one field, and on a rejected entry shows the entry-error message boxes
// through the UI services, resets the field and the edit, and gives the edit the keyboard focus.
#pragma once

#include <cstdint>

#include "link/ui_services.h"

class QLineEdit;

namespace zt30 {

// A float parameter (SCALE, OFFSET, SP.LO, SP.HI, HYSTER, AN.LO, AN.HI) with the regional separator.
// 0 on success; -1 after the box, with the field 0.0 and the edit "1".
int EditToFloat(QLineEdit& edit, float& field, UiServices& ui, char separator);

// FILTR. 0 on success; -1 after the box, with the field 0 and the edit "0".
int EditToInt(QLineEdit& edit, std::uint16_t& field, UiServices& ui);

// A new instrument bus address (0 to 126) into the caller's variable. 0 on success; -1 after the two boxes,
// with the variable 0 and the edit "0".
int EditToAddress(QLineEdit& edit, std::uint8_t& value, UiServices& ui);

}  // namespace zt30
