#include "app/line_statistics_window.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/traffic_table_model_qt.h"
#include "app/usable_beside_modal_qt.h"
#include "config/regional_settings_qt.h"

namespace zt30 {

namespace {

constexpr int kTimerIntervalMs = 250;

enum class Figure { Count, Minimum, Median, Maximum };

struct RowInfo {
    const char* caption;
    Figure figure;
    TrafficOutcome outcome;  // for Count
};

constexpr RowInfo kRows[] = {
    {"Požadavky", Figure::Count, TrafficOutcome::Sent},
    {"Opakovaná vyslání", Figure::Count, TrafficOutcome::Resent},
    {"Chyby zápisu", Figure::Count, TrafficOutcome::WriteFailed},
    {"Přijaté odpovědi", Figure::Count, TrafficOutcome::Accepted},
    {"Bez odpovědi", Figure::Count, TrafficOutcome::NoAnswer},
    {"Krátká odpověď", Figure::Count, TrafficOutcome::TooShort},
    {"Chybný počáteční bajt", Figure::Count, TrafficOutcome::WrongStart},
    {"Chybná délka", Figure::Count, TrafficOutcome::WrongLength},
    {"Chybný kód funkce", Figure::Count, TrafficOutcome::WrongFunction},
    {"Chybný koncový bajt", Figure::Count, TrafficOutcome::WrongEnd},
    {"Chybný kontrolní součet", Figure::Count, TrafficOutcome::WrongFcs},
    {"Záporné potvrzení", Figure::Count, TrafficOutcome::NegativeAcknowledgement},
    {"Chyby čtení", Figure::Count, TrafficOutcome::ReadFailed},
    {"Vyprázdnění bufferů", Figure::Count, TrafficOutcome::Purged},
    {"Odezva min. [ms]", Figure::Minimum, TrafficOutcome::Sent},
    {"Odezva medián [ms]", Figure::Median, TrafficOutcome::Sent},
    {"Odezva max. [ms]", Figure::Maximum, TrafficOutcome::Sent},
};
constexpr int kRowCount = static_cast<int>(std::size(kRows));

LocalDateTime SystemLocalNow() {
    return LocalDateTimeOf(QDateTime::currentDateTime());
}

// The columns: the total, then every station asked anything, by address.
std::vector<int> StationsShown(const LinkStatistics& statistics) {
    std::vector<int> stations;
    for (int address = 0; address < LinkStatistics::kStations; ++address) {
        if (statistics.Station(address).Any()) {
            stations.push_back(address);
        }
    }
    return stations;
}

bool IsFailure(TrafficOutcome outcome) {
    return IsFailedRead(outcome) || outcome == TrafficOutcome::WriteFailed;
}

}  // namespace

TLineStatistics::TLineStatistics(LineMonitor& monitor, const RegionalSettings& regional, QWidget* parent,
                                 LocalNow localNow)
    : QWidget(parent, Qt::Window),
      monitor_(monitor),
      localNow_(localNow ? std::move(localNow) : SystemLocalNow),
      regional_(regional),
      start_(localNow_()) {
    BuildControls();
    KeepUsableBesideModalDialogs(*this);
}

TLineStatistics::~TLineStatistics() = default;

void TLineStatistics::BuildControls() {
    setObjectName(QStringLiteral("LineStatistics"));
    setWindowTitle(QStringLiteral("Statistika komunikace"));

    auto* layout = new QVBoxLayout(this);
    lb_od = new QLabel(this);
    lb_od->setObjectName(QStringLiteral("lb_od"));
    lb_od->setTextFormat(Qt::PlainText);
    layout->addWidget(lb_od);

    str_statistika = new QTableWidget(kRowCount, 1, this);
    str_statistika->setObjectName(QStringLiteral("str_statistika"));
    str_statistika->setAccessibleName(QStringLiteral("Statistika komunikace"));
    str_statistika->setEditTriggers(QAbstractItemView::NoEditTriggers);
    str_statistika->setSelectionMode(QAbstractItemView::NoSelection);
    str_statistika->setWordWrap(false);
    for (int row = 0; row < kRowCount; ++row) {
        str_statistika->setVerticalHeaderItem(row,
                                              new QTableWidgetItem(QString::fromUtf8(kRows[row].caption)));
    }
    str_statistika->horizontalHeader()->setDefaultSectionSize(
        fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    str_statistika->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    str_statistika->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lb_od->setBuddy(str_statistika);
    layout->addWidget(str_statistika, 1);

    auto* buttons = new QHBoxLayout;
    tl_vynulovat = new QPushButton(QStringLiteral("&Vynulovat"), this);
    tl_vynulovat->setObjectName(QStringLiteral("tl_vynulovat"));
    tl_vynulovat->setAccessibleName(QStringLiteral("Vynulovat"));
    tl_vynulovat->setAutoDefault(false);
    buttons->addWidget(tl_vynulovat);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TLineStatistics::Timer1Timer);
    connect(tl_vynulovat, &QPushButton::clicked, this, &TLineStatistics::tl_vynulovatClick);
    ShowStart();
    ShowFigures();
}

void TLineStatistics::ShowWindow() {
    if (!placed_) {
        placed_ = true;
        PlaceOnScreen(*this, PreferredSize());
    }
    BringToFront(*this);
}

QSize TLineStatistics::PreferredSize() const {
    // Every row, and the total with room for two stations beside it.
    constexpr int kColumnsInSight = 3;
    const QHeaderView* rows = str_statistika->verticalHeader();
    const QHeaderView* columns = str_statistika->horizontalHeader();
    const int frame = 2 * str_statistika->frameWidth();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins margins = layout()->contentsMargins();
    const int width =
        rows->sizeHint().width() +
        std::max(kColumnsInSight, str_statistika->columnCount()) * columns->defaultSectionSize() + frame +
        bar + margins.left() + margins.right();
    const int height = columns->sizeHint().height() + kRowCount * rows->defaultSectionSize() + frame +
                       lb_od->sizeHint().height() + tl_vynulovat->sizeHint().height() +
                       2 * layout()->spacing() + margins.top() + margins.bottom();
    return {width, height};
}

void TLineStatistics::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer1Timer();
    Timer1->start();
}

void TLineStatistics::hideEvent(QHideEvent* event) {
    Timer1->stop();
    QWidget::hideEvent(event);
}

void TLineStatistics::Timer1Timer() {
    if (!shownOnce_ || monitor_.Statistics().Version() != shownVersion_) {
        ShowFigures();
    }
}

void TLineStatistics::tl_vynulovatClick() {
    monitor_.Statistics().Reset();
    start_ = localNow_();
    ShowStart();
    ShowFigures();
}

void TLineStatistics::ShowStart() {
    lb_od->setText(QStringLiteral("Od %1 %2")
                       .arg(QString::fromStdString(ShortDateText(start_, regional_)),
                            QString::fromStdString(LongTimeText(start_, regional_))));
}

QString TLineStatistics::CellText(int row, int column) const {
    const QTableWidgetItem* item = str_statistika->item(row, column);
    return item ? item->text() : QString();
}

void TLineStatistics::ShowFigures() {
    const LinkStatistics& statistics = monitor_.Statistics();
    const std::vector<int> stations = StationsShown(statistics);
    const int columns = 1 + static_cast<int>(stations.size());
    str_statistika->setColumnCount(columns);
    str_statistika->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Celkem")));
    for (int i = 0; i < static_cast<int>(stations.size()); ++i) {
        str_statistika->setHorizontalHeaderItem(
            i + 1,
            new QTableWidgetItem(QStringLiteral("Stanice %1").arg(stations[static_cast<std::size_t>(i)])));
    }
    const auto milliseconds = [this](std::int64_t us) {
        QString text = QString::number(static_cast<double>(us) / 1000.0, 'f', 1);
        return text.replace(QLatin1Char('.'), QLatin1Char(regional_.decimalSeparator));
    };
    for (int column = 0; column < columns; ++column) {
        const TrafficCounters& counters =
            column == 0 ? statistics.Total()
                        : statistics.Station(stations[static_cast<std::size_t>(column - 1)]);
        const ResponseHistogram& times = counters.responseTime;
        for (int row = 0; row < kRowCount; ++row) {
            const RowInfo& info = kRows[row];
            QString text;
            bool alarming = false;
            switch (info.figure) {
                case Figure::Count:
                    text = QString::number(counters.Count(info.outcome));
                    alarming = IsFailure(info.outcome) && counters.Count(info.outcome) > 0;
                    break;
                case Figure::Minimum:
                    text = times.Count() ? milliseconds(times.Min()) : QStringLiteral("–");
                    break;
                case Figure::Median:
                    text = times.Count() ? milliseconds(times.Median()) : QStringLiteral("–");
                    break;
                case Figure::Maximum:
                    text = times.Count() ? milliseconds(times.Max()) : QStringLiteral("–");
                    break;
            }
            QTableWidgetItem* item = str_statistika->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                str_statistika->setItem(row, column, item);
            }
            item->setText(text);
            // A screen reader tells which counter a value is, as a sighted user sees it from the headers.
            item->setData(Qt::AccessibleDescriptionRole,
                          QString::fromUtf8(info.caption) + QStringLiteral(", ") +
                              str_statistika->horizontalHeaderItem(column)->text());
            item->setForeground(alarming ? QBrush(QColor(0xA0, 0x00, 0x00)) : QBrush());
        }
    }
    shownVersion_ = statistics.Version();
    shownOnce_ = true;
}

}  // namespace zt30
