#include "app/usable_beside_modal.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

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

}  // namespace

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
