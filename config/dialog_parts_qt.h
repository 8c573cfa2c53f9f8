// Small pieces the configuration dialogs share: the fixed-size dialog frame with only a close box, bold
// texts, plain-text labels and named buttons.
#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace zt30 {

// A fixed-size dialog whose title bar holds only the close box.
void MakeFixedDialog(QDialog& dialog);

// Moves a top-level window to the centre of the screen it is on.
void CentreOnScreen(QWidget& window);

QFont BoldFont(QFont font);

// A label that shows its text as plain text, never as markup; objectName `name` when one is given.
QLabel* PlainLabel(const char* name, const QString& text, QWidget* parent, bool bold = false);

// The raised panel "Panel1" that frames the texts of an information dialog.
QFrame* RaisedPanel(QWidget* parent);

// The label "ProgramIcon" of an information dialog; ShowProgramIcon fills it once the window has its icon.
QLabel* ProgramIconLabel(QWidget* parent);
void ShowProgramIcon(QLabel& label, const QWidget& window);

// A push button named `name`, its caption also its accessible name.
QPushButton* NamedButton(const char* name, const QString& caption, QWidget* parent);

// For a dialog without a default button: the button never becomes the default (the toolkit would make the
// first one focused the default for good), yet takes Enter while it has the focus, as it takes Space.
void TakeEnterWhenFocused(QPushButton& button);

}  // namespace zt30
