#pragma once

class QEvent;

// The rule of the dialogs' number fields: typed text reaches them only as the
// digits "0" to "9" and backspace, whichever modifiers were held (AltGr types
// with Ctrl+Alt) and whether a key or an input method delivered it. Keys that
// type nothing (arrows, Delete, Tab, Enter) and the clipboard shortcuts, whose
// text is a control character, keep their usual meaning.
namespace NumberInput {
// True when the event is a key press or an input-method commit that carries
// any other typed character; the field's event filter then discards it.
bool refuses(const QEvent &event);
}  // namespace NumberInput
