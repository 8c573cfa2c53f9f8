#include "app/traffic_table_model_qt.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <algorithm>

#include "config/regional_settings_qt.h"
#include "link/frame_decoder.h"

namespace zt30 {

namespace {

// How far back a received record looks for its request: an exchange has at most three transmissions.
constexpr std::uint64_t kRequestLookBack = 8;

LocalDateTime SystemLocalTime(std::int64_t wallUs) {
    return LocalDateTimeOf(QDateTime::fromMSecsSinceEpoch(wallUs / 1000));
}

bool Failed(const TrafficRecord& record) {
    return IsFailedRead(record.outcome) || record.outcome == TrafficOutcome::WriteFailed;
}

}  // namespace

QString TrafficOutcomeText(TrafficOutcome outcome) {
    switch (outcome) {
        case TrafficOutcome::Sent:
            return QStringLiteral("odesláno");
        case TrafficOutcome::Resent:
            return QStringLiteral("odesláno znovu");
        case TrafficOutcome::WriteFailed:
            return QStringLiteral("chyba zápisu");
        case TrafficOutcome::Accepted:
            return QStringLiteral("přijato");
        case TrafficOutcome::NoAnswer:
            return QStringLiteral("bez odpovědi");
        case TrafficOutcome::TooShort:
            return QStringLiteral("krátká odpověď");
        case TrafficOutcome::WrongStart:
            return QStringLiteral("chybný počáteční bajt");
        case TrafficOutcome::WrongLength:
            return QStringLiteral("chybná délka");
        case TrafficOutcome::WrongFunction:
            return QStringLiteral("chybný kód funkce");
        case TrafficOutcome::WrongEnd:
            return QStringLiteral("chybný koncový bajt");
        case TrafficOutcome::WrongFcs:
            return QStringLiteral("chybný kontrolní součet");
        case TrafficOutcome::NegativeAcknowledgement:
            return QStringLiteral("záporné potvrzení");
        case TrafficOutcome::ReadFailed:
            return QStringLiteral("chyba čtení");
        case TrafficOutcome::Purged:
            return QStringLiteral("vyprázdnění bufferů");
    }
    return {};
}

TrafficTableModel::TrafficTableModel(const TrafficRing& ring, const RegionalSettings& regional,
                                     LocalTimeOf localTime, QObject* parent)
    : QAbstractTableModel(parent),
      ring_(ring),
      regional_(regional),
      localTime_(localTime ? std::move(localTime) : SystemLocalTime),
      first_(ring.BeginSequence()),
      end_(ring.BeginSequence()) {}

TrafficTableModel::UpdateResult TrafficTableModel::Update(bool takeNew) {
    UpdateResult result;
    const std::uint64_t begin = ring_.BeginSequence();
    const std::uint64_t end = ring_.EndSequence();
    if (end_ < begin) {
        // Every row and records after them are gone (a long pause): the list starts again.
        result.removed = rowCount();
        beginResetModel();
        first_ = end_ = begin;
        if (takeNew) {
            result.added = static_cast<int>(end - begin);
            end_ = end;
        }
        endResetModel();
        return result;
    }
    // Rows whose records the ring has dropped leave at the top, new records join at the bottom.
    std::uint64_t leaving = begin > first_ ? begin - first_ : 0;
    std::uint64_t joining = takeNew ? end - end_ : 0;
    result.removed = static_cast<int>(leaving);
    result.added = static_cast<int>(joining);
    // As many rows as leave and join keep their places and show the records that many steps on: with a full
    // ring every tick is that, and the view repaints instead of moving ten thousand rows.
    const std::uint64_t shifted = std::min(leaving, joining);
    if (shifted > 0) {
        first_ += shifted;
        end_ += shifted;
        leaving -= shifted;
        joining -= shifted;
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
    if (leaving > 0) {
        beginRemoveRows({}, 0, static_cast<int>(leaving) - 1);
        first_ += leaving;
        endRemoveRows();
    }
    if (joining > 0) {
        const int firstRow = rowCount();
        beginInsertRows({}, firstRow, firstRow + static_cast<int>(joining) - 1);
        end_ += joining;
        endInsertRows();
    }
    return result;
}

void TrafficTableModel::Clear() {
    beginResetModel();
    first_ = end_ = ring_.EndSequence();
    endResetModel();
}

std::uint64_t TrafficTableModel::Waiting() const {
    return ring_.EndSequence() > end_ ? ring_.EndSequence() - std::max(end_, ring_.BeginSequence()) : 0;
}

const TrafficRecord* TrafficTableModel::Record(int row) const {
    if (row < 0 || static_cast<std::uint64_t>(row) >= end_ - first_) {
        return nullptr;
    }
    return ring_.Find(first_ + static_cast<std::uint64_t>(row));
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(end_ - first_);
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

std::span<const std::uint8_t> TrafficTableModel::RequestBefore(const TrafficRecord& record) const {
    for (std::uint64_t back = 1; back <= kRequestLookBack && back <= record.sequence; ++back) {
        const TrafficRecord* earlier = ring_.Find(record.sequence - back);
        if (!earlier || earlier->exchange != record.exchange) {
            break;
        }
        if (earlier->direction == TrafficDirection::Transmit) {
            return earlier->Bytes();
        }
    }
    return {};
}

QString TrafficTableModel::Milliseconds(std::int64_t us) const {
    QString text = QString::number(static_cast<double>(us) / 1000.0, 'f', 1);
    text.replace(QLatin1Char('.'), QLatin1Char(regional_.decimalSeparator));
    return text;
}

QString TrafficTableModel::Text(const TrafficRecord& record, int column) const {
    switch (column) {
        case kTime:
            return QString::fromStdString(LongTimeWithMillisecondsText(localTime_(record.wallUs), regional_));
        case kDirection:
            return record.direction == TrafficDirection::Transmit  ? QStringLiteral("→")
                   : record.direction == TrafficDirection::Receive ? QStringLiteral("←")
                                                                   : QString();
        case kBytes:
            return QString::fromStdString(HexText(record.Bytes()));
        case kMeaning:
            if (record.direction == TrafficDirection::Purge) {
                return QString();
            }
            return QString::fromStdString(DescribeFrame(record.Bytes(),
                                                        record.direction == TrafficDirection::Receive
                                                            ? RequestBefore(record)
                                                            : std::span<const std::uint8_t>{},
                                                        CzechFrameWords(), regional_.decimalSeparator));
        case kOutcome:
            return TrafficOutcomeText(record.outcome);
        case kResponse:
            if (record.firstByteUs < 0) {
                return QString();
            }
            return Milliseconds(record.firstByteUs) + QStringLiteral(" / ") + Milliseconds(record.lastByteUs);
        default:
            return QString();
    }
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    const TrafficRecord* record = index.isValid() ? Record(index.row()) : nullptr;
    if (!record) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return Text(*record, index.column());
        case Qt::ToolTipRole:
            // A frame's bytes or meaning may be cut in a narrow column.
            if (index.column() == kBytes || index.column() == kMeaning) {
                return Text(*record, index.column());
            }
            return {};
        case Qt::ForegroundRole:
            if (Failed(*record)) {
                return QBrush(QColor(0xA0, 0x00, 0x00));
            }
            if (record->direction == TrafficDirection::Purge) {
                return QBrush(QColor(0x70, 0x70, 0x70));
            }
            return {};
        case Qt::BackgroundRole:
            return Failed(*record) ? QVariant(QBrush(QColor(0xFF, 0xE0, 0xE0))) : QVariant();
        default:
            return {};
    }
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        switch (section) {
            case kTime:
                return QStringLiteral("Čas");
            case kDirection:
                return QStringLiteral("Směr");
            case kBytes:
                return QStringLiteral("Bajty");
            case kMeaning:
                return QStringLiteral("Význam");
            case kOutcome:
                return QStringLiteral("Výsledek");
            case kResponse:
                return QStringLiteral("Odezva [ms]");
            default:
                return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
            case kDirection:
                return QStringLiteral("→ odesláno přístroji, ← přijato z linky");
            case kResponse:
                return QStringLiteral("Od konce požadavku k prvnímu / poslednímu bajtu odpovědi");
            default:
                return {};
        }
    }
    return {};
}

}  // namespace zt30
