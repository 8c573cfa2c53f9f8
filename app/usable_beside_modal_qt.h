// Keeps a non-modal window usable while a modal dialog of the program is open. QDialog::exec() makes the
// port, parameters and other dialogs application-modal, and Qt then blocks input to every window that is not
// the modal dialog's child or transient child. When such a dialog blocks the window, the window is made a
// transient child of it for as long as the dialog is shown (which unblocks it), and goes back to its own
// transient parent when the dialog hides; nested dialogs repeat this. The dialogs themselves stay as they
// are. The windows open within the visible part of their screen, however small it is.
#pragma once

class QSize;
class QWidget;

namespace zt30 {

// Applies the rule above to the top-level window for its whole life.
void KeepUsableBesideModalDialogs(QWidget& window);

// Sizes the top-level window to preferred, or less where its screen (its parent's, else the primary one)
// has no room for that with the window manager's frame, and places it over its parent's middle, moved as
// far as needed to lie within the screen's available area. For a window about to be shown the first time.
void PlaceOnScreen(QWidget& window, QSize preferred);

// Shows the top-level window, restored when it was minimised, in front and active.
void BringToFront(QWidget& window);

}  // namespace zt30
