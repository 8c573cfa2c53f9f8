#include "app/ui_services_qt.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include "views/toolkit_color_qt.h"

namespace zt30 {

namespace {

QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

std::optional<std::string> RunFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(DialogParent(), QString::fromStdString(request.title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    // The program's descriptions name their patterns ("Textový soubor [*.txt]"), so Qt must not add them
    // again in brackets.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.filter.empty()) {
        dialog.setNameFilter(QtFileFilter(request.filter));
    }
    if (!request.defaultSuffix.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

QString MessageBoxText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString patterns = i + 1 < parts.size() ? parts.at(i + 1) : QStringLiteral("*");
        patterns.replace(u';', u' ');
        entries.append(parts.at(i) + QStringLiteral(" (") + patterns.simplified() + u')');
    }
    return entries.join(QStringLiteral(";;"));
}

MessageAnswer QtUiServices::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons) {
    QMessageBox box(QtIcon(icon), QString::fromStdString(caption), MessageBoxText(text),
                    QMessageBox::NoButton, DialogParent());
    box.setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("&Ano"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return MessageAnswer::Ok;
}

std::optional<std::string> QtUiServices::AskSaveFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

std::optional<std::string> QtUiServices::AskOpenFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<std::uint32_t> QtUiServices::ChooseColor(std::uint32_t initial) {
    QWidget* parent = DialogParent();
    const QPalette palette = parent ? parent->palette() : QApplication::palette();
    const QColor chosen = QColorDialog::getColor(ToQColor(initial, palette), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return ToToolkitColor(chosen);
}

}  // namespace zt30
