#pragma once
// Which key presses reach an edit field as characters. Dialog keys (Tab, Esc, and Enter in
// a single-line field) move focus or end the dialog instead; Delete and the cursor keys
// are not characters at all.

#include <QString>

class QKeyEvent;
class QObject;

namespace widgets {

// The characters the key press would type into the watched field; empty when none.
QString typedCharacters(const QObject* field, const QKeyEvent& key);

}  // namespace widgets
