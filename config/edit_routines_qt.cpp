#include "config/edit_routines_qt.h"

#include <QLineEdit>
#include <QString>
#include <optional>
#include <string>

#include "config/param_format.h"

namespace zt30 {

namespace {

constexpr const char* kEntryErrorCaption = "CHYBA";

void Reject(QLineEdit& edit, const char* resetText) {
    edit.setText(QString::fromUtf8(resetText));
    edit.setFocus();
}

}  // namespace

int EditToFloat(QLineEdit& edit, float& field, UiServices& ui, char separator) {
    const std::string text = edit.text().toStdString();
    if (std::optional<float> value = ParseFloatParam(text, separator)) {
        field = *value;
        return 0;
    }
    ui.ShowMessage("Je nutné zadávat pouze čísla nebo desetinnou čárku", kEntryErrorCaption,
                   MessageIcon::Exclamation, MessageButtons::Ok);
    field = 0.0f;
    Reject(edit, "1");
    return -1;
}

int EditToInt(QLineEdit& edit, std::uint16_t& field, UiServices& ui) {
    const std::string text = edit.text().toStdString();
    if (std::optional<std::uint16_t> value = ParseFiltr(text)) {
        field = *value;
        return 0;
    }
    ui.ShowMessage(text + " není správně zapsané číslo. Číslo musí být 0 až 59999", kEntryErrorCaption,
                   MessageIcon::None, MessageButtons::Ok);
    field = 0;
    Reject(edit, "0");
    return -1;
}

int EditToAddress(QLineEdit& edit, std::uint8_t& value, UiServices& ui) {
    const std::string text = edit.text().toStdString();
    if (std::optional<std::uint8_t> address = ParseAddress(text)) {
        value = *address;
        return 0;
    }
    ui.ShowMessage("Je nutné zadávat pouze čísla", kEntryErrorCaption, MessageIcon::Exclamation,
                   MessageButtons::Ok);
    ui.ShowMessage(text + " není správně zapsané číslo. Číslo musí být .xx.. ", kEntryErrorCaption,
                   MessageIcon::None, MessageButtons::Ok);
    value = 0;
    Reject(edit, "0");
    return -1;
}

}  // namespace zt30
