// The chart's label and legend texts laid out once and kept from one paint to the next: a live chart shows
// nearly the same texts every second (the legend moves on by one row, the time axis by one second), and
// laying a text out costs more than drawing it. Texts are always plain text, never markup.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>
#include <cstdint>

namespace zt30 {

class ChartTextCache final {
public:
    // Sets the font the texts are laid out in; a different font forgets every text.
    void SetFont(const QFont& font);

    // text laid out in the font, as plain text.
    QStaticText Get(const QString& text);

    // The width of text in pixels.
    double Width(const QString& text) { return Get(text).size().width(); }

    // Ends a paint: the texts it did not use are forgotten.
    void EndPaint();

private:
    struct Entry {
        QStaticText text;
        std::uint64_t lastPaint = 0;
    };

    QFont font_;
    bool hasFont_ = false;
    QHash<QString, Entry> entries_;
    std::uint64_t paint_ = 1;
};

}  // namespace zt30
