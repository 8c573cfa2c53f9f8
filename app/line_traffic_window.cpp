#include "app/line_traffic_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/usable_beside_modal_qt.h"
#include "base/file_by_rename.h"

namespace zt30 {

namespace {

constexpr int kTimerIntervalMs = 100;
constexpr char kCannotOpenFile[] = "Nemůže otevřít výstupní soubor";
constexpr char kCannotWriteFile[] = "Výstupní soubor nelze celý zapsat";
constexpr char kErrorCaption[] = "CHYBA";
// The columns' widths in digits: time, direction, bytes (17 of them), meaning, outcome, response times.
constexpr int kColumnDigits[TrafficTableModel::kColumnCount] = {13, 6, 52, 46, 22, 12};
// On a narrow screen the bytes, then the meaning give way, down to these widths.
constexpr int kNarrowBytesDigits = 26;
constexpr int kNarrowMeaningDigits = 30;

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TLineTraffic::TLineTraffic(LineMonitor& monitor, UiServices& ui, const RegionalSettings& regional,
                           QWidget* parent, TrafficTableModel::LocalTimeOf localTime)
    : QWidget(parent, Qt::Window), ui_(ui) {
    model_ = new TrafficTableModel(monitor.Traffic(), regional, std::move(localTime), this);
    BuildControls();
    KeepUsableBesideModalDialogs(*this);
}

TLineTraffic::~TLineTraffic() = default;

void TLineTraffic::BuildControls() {
    setObjectName(QStringLiteral("LineTraffic"));
    setWindowTitle(QStringLiteral("Provoz linky"));

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Rámce na lince"), this);
    caption->setObjectName(QStringLiteral("lb_provoz"));
    layout->addWidget(caption);

    str_provoz = new QTableView(this);
    str_provoz->setObjectName(QStringLiteral("str_provoz"));
    str_provoz->setAccessibleName(QStringLiteral("Rámce na lince"));
    str_provoz->setModel(model_);
    str_provoz->setSelectionBehavior(QAbstractItemView::SelectRows);
    str_provoz->setWordWrap(false);
    str_provoz->setCornerButtonEnabled(false);
    str_provoz->verticalHeader()->hide();
    // Rows of one height keep a list of ten thousand frames cheap to scroll and to append to.
    str_provoz->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    str_provoz->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* columns = str_provoz->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setTextElideMode(Qt::ElideRight);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    int tableWidth = 0;
    for (int column = 0; column < TrafficTableModel::kColumnCount; ++column) {
        columns->resizeSection(column, kColumnDigits[column] * digit);
        tableWidth += kColumnDigits[column] * digit;
    }
    // Every column in sight, with room for the frame and the scroll bar, where the screen allows.
    const int besideTable = 4 * digit + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                            layout->contentsMargins().left() + layout->contentsMargins().right();
    preferredSize_ = QSize(tableWidth + besideTable, 460);
    resize(preferredSize_);
    caption->setBuddy(str_provoz);
    layout->addWidget(str_provoz, 1);

    auto* buttons = new QHBoxLayout;
    tl_pozastavit = MakeButton("tl_pozastavit", QStringLiteral("&Pozastavit"), this);
    tl_vymazat = MakeButton("tl_vymazat", QStringLiteral("&Vymazat"), this);
    tl_ulozit = MakeButton("tl_ulozit", QStringLiteral("&Uložit jako..."), this);
    lb_pocet = new QLabel(this);
    lb_pocet->setObjectName(QStringLiteral("lb_pocet"));
    lb_pocet->setTextFormat(Qt::PlainText);
    buttons->addWidget(tl_pozastavit);
    buttons->addWidget(tl_vymazat);
    buttons->addWidget(tl_ulozit);
    buttons->addSpacing(12);
    buttons->addWidget(lb_pocet, 1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TLineTraffic::Timer1Timer);
    connect(tl_pozastavit, &QPushButton::clicked, this, &TLineTraffic::tl_pozastavitClick);
    connect(tl_vymazat, &QPushButton::clicked, this, &TLineTraffic::tl_vymazatClick);
    connect(tl_ulozit, &QPushButton::clicked, this, &TLineTraffic::tl_ulozitClick);
    ShowCount();
}

void TLineTraffic::ShowWindow() {
    if (!placed_) {
        placed_ = true;
        PlaceOnScreen(*this, preferredSize_);
        FitColumns();
    }
    BringToFront(*this);
}

void TLineTraffic::FitColumns() {
    QHeaderView* columns = str_provoz->horizontalHeader();
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    int excess = preferredSize_.width() - width();
    const auto narrow = [&](int column, int narrowest) {
        const int give = std::clamp(excess, 0, (kColumnDigits[column] - narrowest) * digit);
        columns->resizeSection(column, kColumnDigits[column] * digit - give);
        excess -= give;
    };
    narrow(TrafficTableModel::kBytes, kNarrowBytesDigits);
    narrow(TrafficTableModel::kMeaning, kNarrowMeaningDigits);
    // What is still too wide is reached by scrolling; a cut text shows whole in its tool tip.
}

void TLineTraffic::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer1Timer();
    str_provoz->scrollToBottom();
    Timer1->start();
}

void TLineTraffic::hideEvent(QHideEvent* event) {
    Timer1->stop();
    QWidget::hideEvent(event);
}

void TLineTraffic::Timer1Timer() {
    QScrollBar* bar = str_provoz->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int top = bar->value();
    const TrafficTableModel::UpdateResult update = model_->Update(!paused_);
    if (following) {
        str_provoz->scrollToBottom();
    } else if (update.removed > 0) {
        // The rows the user is looking at stay in place when older ones leave the list.
        bar->setValue(std::max(0, top - update.removed));
    }
    ShowCount();
}

void TLineTraffic::ShowCount() {
    QString text = QStringLiteral("Rámců v seznamu: %1").arg(model_->rowCount());
    if (paused_) {
        text += QStringLiteral(", pozastaveno, nových rámců: %1").arg(model_->Waiting());
    }
    lb_pocet->setText(text);
}

void TLineTraffic::tl_pozastavitClick() {
    paused_ = !paused_;
    tl_pozastavit->setText(paused_ ? QStringLiteral("&Pokračovat") : QStringLiteral("&Pozastavit"));
    tl_pozastavit->setAccessibleName(paused_ ? QStringLiteral("Pokračovat") : QStringLiteral("Pozastavit"));
    Timer1Timer();
}

void TLineTraffic::tl_vymazatClick() {
    model_->Clear();
    ShowCount();
}

void TLineTraffic::tl_ulozitClick() {
    FileDialogRequest request;
    request.title = "Uložit jako";
    request.fileName = "provoz_linky.txt";
    request.filter = "Textový soubor [*.txt]|*.txt";
    request.defaultSuffix = "TXT";
    request.confirmOverwrite = true;
    const std::optional<std::string> chosen = ui_.AskSaveFileName(request);
    if (!chosen) {
        return;
    }
    QByteArray text;
    const auto addLine = [&text](const QStringList& columns) {
        text += columns.join(QLatin1Char('\t')).toUtf8();
        text += "\r\n";
    };
    QStringList header;
    for (int column = 0; column < TrafficTableModel::kColumnCount; ++column) {
        header << model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    addLine(header);
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (const TrafficRecord* record = model_->Record(row)) {
            QStringList columns;
            for (int column = 0; column < TrafficTableModel::kColumnCount; ++column) {
                columns << model_->Text(*record, column);
            }
            addLine(columns);
        }
    }
    const FileWriteResult result =
        WriteFileByRename(*chosen, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (result != FileWriteResult::Written) {
        ui_.ShowMessage(result == FileWriteResult::CannotWrite ? kCannotWriteFile : kCannotOpenFile,
                        kErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

}  // namespace zt30
