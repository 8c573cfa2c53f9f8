#include "views/recording_interval_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_rules.h"
#include "views/settings_store.h"

namespace zt30 {

namespace {

const QString kResetText = QStringLiteral("60");

QLabel* BoldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

std::optional<std::int32_t> parseInterval(std::string_view text) {
    const std::optional<std::int32_t> value = ParseEntryInt(text);
    if (!value || *value < 1) {
        return std::nullopt;
    }
    return value;
}

Tfile_sampling::Tfile_sampling(SettingsStore& store, UiServices& ui, QWidget* parent)
    : QDialog(parent), store_(store), ui_(ui) {
    BuildControls();
    FormCreate();
}

Tfile_sampling::~Tfile_sampling() = default;

void Tfile_sampling::BuildControls() {
    setObjectName(QStringLiteral("file_sampling"));
    setWindowTitle(QStringLiteral("Záznam"));
    setAccessibleName(windowTitle());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    QLabel* caption = BoldLabel(QStringLiteral("Vzorkvání do souboru"), this);
    ed_zaznam = new QLineEdit(kResetText, this);
    ed_zaznam->setObjectName(QStringLiteral("ed_zaznam"));
    ed_zaznam->setAccessibleName(caption->text());
    ed_zaznam->setAccessibleDescription(QStringLiteral("[s]"));
    QFont bold = ed_zaznam->font();
    bold.setBold(true);
    ed_zaznam->setFont(bold);
    ed_zaznam->installEventFilter(this);
    caption->setBuddy(ed_zaznam);
    QLabel* unit = BoldLabel(QStringLiteral("[s]"), this);

    tl_ok = new QPushButton(QStringLiteral("OK"), this);
    tl_ok->setObjectName(QStringLiteral("tl_ok"));
    tl_ok->setAccessibleName(tl_ok->text());
    tl_cancel = new QPushButton(QStringLiteral("Storno"), this);
    tl_cancel->setObjectName(QStringLiteral("tl_cancel"));
    tl_cancel->setAccessibleName(tl_cancel->text());

    auto* entry = new QHBoxLayout();
    entry->addWidget(ed_zaznam, 1);
    entry->addWidget(unit);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(tl_ok);
    buttons->addWidget(tl_cancel);
    auto* page = new QVBoxLayout(this);
    page->addWidget(caption);
    page->addLayout(entry);
    page->addSpacing(fontMetrics().height() / 2);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    connect(tl_ok, &QPushButton::clicked, this, &Tfile_sampling::tl_okClick);
    // Storno, Escape and the close box all end as Cancel and change nothing.
    connect(tl_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfile_sampling::FormCreate() {
    interval = store_.readInt(settings::kInterval);
}

void Tfile_sampling::FormShow() {
    ed_zaznam->setText(QString::number(interval));
    ed_zaznam->selectAll();
    ed_zaznam->setFocus();
}

int Tfile_sampling::ShowModal() {
    FormShow();
    return exec() == kModalOk ? kModalOk : kModalCancel;
}

void Tfile_sampling::tl_okClick() {
    const std::optional<std::int32_t> value = parseInterval(ed_zaznam->text().toStdString());
    if (!value) {
        ui_.ShowMessage(kIntervalEntryError, "CHYBA", MessageIcon::Exclamation, MessageButtons::Ok);
        ed_zaznam->setText(kResetText);
        ed_zaznam->setFocus();
        return;
    }
    interval = *value;
    // Stored at once: the interval outlives a run that ends without closing its windows.
    store_.writeInt(settings::kInterval, interval);
    done(kModalOk);
}

bool Tfile_sampling::eventFilter(QObject* watched, QEvent* event) {
    // ed_zaznamKeyPress: Enter does what OK does; every other key reaches the edit unchanged.
    if (watched == ed_zaznam && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tl_okClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace zt30
