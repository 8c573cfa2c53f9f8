#include "views/chart_text_cache_qt.h"

#include <QTransform>

namespace zt30 {

void ChartTextCache::SetFont(const QFont& font) {
    if (hasFont_ && font == font_) {
        return;
    }
    font_ = font;
    hasFont_ = true;
    entries_.clear();
}

QStaticText ChartTextCache::Get(const QString& text) {
    const auto found = entries_.find(text);
    if (found != entries_.end()) {
        found->lastPaint = paint_;
        return found->text;
    }
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.prepare(QTransform(), font_);
    entries_.insert(text, Entry{laidOut, paint_});
    return laidOut;
}

void ChartTextCache::EndPaint() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = it->lastPaint == paint_ ? std::next(it) : entries_.erase(it);
    }
    ++paint_;
}

}  // namespace zt30
