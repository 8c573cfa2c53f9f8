// Keeps a non-modal window usable while a modal dialog of the program is open. QDialog::exec() makes the
// port, parameters and other dialogs application-modal, and Qt then blocks input to every window that is not
// the modal dialog's child or transient child. When such a dialog blocks the window, the window is made a
// transient child of it for as long as the dialog is shown (which unblocks it), and goes back to its own
// transient parent when the dialog hides; nested dialogs repeat this. The dialogs themselves stay as they
// are.
#pragma once

class QWidget;

namespace zt30 {

// Applies the rule above to the top-level window for its whole life.
void KeepUsableBesideModalDialogs(QWidget& window);

// Shows the top-level window, restored when it was minimised, in front and active.
void BringToFront(QWidget& window);

}  // namespace zt30
