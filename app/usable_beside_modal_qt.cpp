#include "app/usable_beside_modal_qt.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace zt30 {

namespace {

class ModalEscape final : public QObject {
public:
    explicit ModalEscape(QWidget& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::WindowBlocked) {
            Escape();
        } else if (watched == modal_ && event->type() == QEvent::Hide) {
            Return();
        }
        return false;
    }

private:
    void Escape() {
        QWindow* handle = window_.windowHandle();
        QWindow* modal = QGuiApplication::modalWindow();
        if (!handle || !modal || modal == handle) {
            return;
        }
        if (!modal_) {
            // The window's own transient parent, to go back to once no dialog holds it.
            ownParent_ = handle->transientParent();
        } else {
            modal_->removeEventFilter(this);
        }
        modal_ = modal;
        modal_->installEventFilter(this);
        handle->setTransientParent(modal);  // Qt looks again and unblocks it
    }

    void Return() {
        modal_->removeEventFilter(this);
        modal_ = nullptr;
        if (QWindow* handle = window_.windowHandle()) {
            // A dialog still open under the hidden one blocks it again, and Escape() follows that one.
            handle->setTransientParent(ownParent_);
        }
    }

    QWidget& window_;
    QPointer<QWindow> modal_;
    QPointer<QWindow> ownParent_;
};

// What a window manager adds around a window (title bar and borders), allowed for before the window has
// its frame.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 40;

}  // namespace

void PlaceOnScreen(QWidget& window, QSize preferred) {
    const QWidget* parent = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        window.resize(preferred);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize room(area.width() - kFrameWidth, area.height() - kFrameHeight);
    const QSize size = preferred.boundedTo(room).expandedTo(window.minimumSizeHint().boundedTo(room));
    window.resize(size);
    const QSize outer = size + QSize(kFrameWidth, kFrameHeight);
    const QPoint centre = parent && parent->isVisible() ? parent->frameGeometry().center() : area.center();
    // move() places the frame's top left corner.
    const int x = std::clamp(centre.x() - outer.width() / 2, area.left(), area.right() + 1 - outer.width());
    const int y = std::clamp(centre.y() - outer.height() / 2, area.top(), area.bottom() + 1 - outer.height());
    window.move(std::max(x, area.left()), std::max(y, area.top()));
}

void KeepUsableBesideModalDialogs(QWidget& window) {
    new ModalEscape(window);
}

void BringToFront(QWidget& window) {
    if (window.isMinimized()) {
        window.showNormal();
    } else {
        window.show();
    }
    window.raise();
    window.activateWindow();
}

}  // namespace zt30
