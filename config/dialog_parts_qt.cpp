#include "config/dialog_parts_qt.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

namespace zt30 {

namespace {

constexpr int kProgramIconSize = 48;

class EnterClicksButton final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                static_cast<QPushButton*>(watched)->click();
                return true;
            }
        }
        return false;
    }
};

}  // namespace

void MakeFixedDialog(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (QLayout* layout = dialog.layout()) {
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
}

void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
}

QFont BoldFont(QFont font) {
    font.setBold(true);
    return font;
}

QLabel* PlainLabel(const char* name, const QString& text, QWidget* parent, bool bold) {
    auto* label = new QLabel(text, parent);
    if (name != nullptr) {
        label->setObjectName(QString::fromLatin1(name));
    }
    label->setTextFormat(Qt::PlainText);
    if (bold) {
        label->setFont(BoldFont(label->font()));
    }
    return label;
}

QFrame* RaisedPanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QLabel* ProgramIconLabel(QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setFixedSize(kProgramIconSize, kProgramIconSize);
    icon->setScaledContents(true);
    return icon;
}

void ShowProgramIcon(QLabel& label, const QWidget& window) {
    label.setPixmap(window.windowIcon().pixmap(kProgramIconSize, kProgramIconSize));
}

QPushButton* NamedButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    return button;
}

void TakeEnterWhenFocused(QPushButton& button) {
    button.setAutoDefault(false);
    button.setDefault(false);
    button.installEventFilter(new EnterClicksButton(&button));
}

}  // namespace zt30
