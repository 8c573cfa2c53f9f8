#include "views/trend_chart_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "base/file_by_rename.h"
#include "views/chart_csv.h"
#include "views/chart_overlay_qt.h"
#include "views/measurement_recorder.h"
#include "views/toolkit_color_qt.h"

namespace zt30 {

namespace {

// One notch of the wheel (120 units) away from the user zooms in to this share of the span.
constexpr double kWheelZoom = 0.8;
constexpr int kWheelNotch = 120;
// A key press pans by this share of the time shown.
constexpr double kKeyPan = 0.1;

const char* const kErrorCaption = "CHYBA";

// What an accessibility client reads of the chart: its name, then what it shows (the newest point, the times
// and values in sight) before the usage help, worked out only when a client asks.
class TrendChartAccessible final : public QAccessibleWidget {
public:
    explicit TrendChartAccessible(TrendChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}

    QString text(QAccessible::Text t) const override {
        const auto* chart = static_cast<const TrendChart*>(widget());
        if (t == QAccessible::Value) {
            return chart->ShownText();
        }
        if (t == QAccessible::Description) {
            return chart->ShownText() + QLatin1Char(' ') + QAccessibleWidget::text(t);
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* TrendChartAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(TrendChart::staticMetaObject.className()) && object &&
        object->isWidgetType()) {
        return new TrendChartAccessible(static_cast<TrendChart*>(object));
    }
    return nullptr;
}

}  // namespace

TrendChart::TrendChart(QWidget* parent) : QWidget(parent) {
    static const bool accessibleFactory = [] {
        QAccessible::installFactory(TrendChartAccessibleFactory);
        return true;
    }();
    (void)accessibleFactory;
    // Every pixel is painted, so Qt need not clear the widget first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Graf naměřené hodnoty"));
    setAccessibleDescription(
        QStringLiteral("Průběh naměřené hodnoty v čase s legendou hodnot bodů. Kolečko myši přibližuje čas, "
                       "se Shiftem hodnoty, tažení posouvá, Home nebo dvojklik vrátí živý pohled."));
    // A click gives it the focus, so that Home and the menu key reach it; Tab reaches it too.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    style_.palette = palette();
    style_.font = font();
    style_.locale = locale();
    BuildMenu();
}

TrendChart::~TrendChart() = default;

void TrendChart::SetColor(ToolkitColor color) {
    look_.color = color;
    Changed();
}

void TrendChart::SetBackColor(ToolkitColor color) {
    look_.backColor = color;
    look_.backWallSolid = true;
    Changed();
}

void TrendChart::SetView3D(bool on) {
    look_.view3D = on;
    Changed();
}

void TrendChart::SetChart3DPercent(int percent) {
    look_.depthPercent = std::clamp(percent, 1, 100);
    Changed();
}

void TrendChart::SetLegendFirstValue(int index) {
    look_.legendFirstValue = std::max(index, 0);
    Changed();
}

void TrendChart::SetValueFormatter(ChartValueFormatter formatter) {
    style_.formatter = std::move(formatter);
    Changed();
}

void TrendChart::SetRegionalFormat(const ChartRegionalFormat& format) {
    style_.regional = format;
    painter_.Invalidate();
    Changed();
}

void TrendChart::AddPoint(std::int64_t x, double y, ToolkitColor color) {
    series_.Add(x, y, color);
    Changed();
}

bool TrendChart::DeleteFirstPoint() {
    if (!series_.RemoveFirst()) {
        return false;
    }
    Changed();
    return true;
}

void TrendChart::Clear() {
    series_.Clear();
    Changed();
}

void TrendChart::AddLimitedPoint(int limit, std::int64_t x, double y, ToolkitColor color) {
    if (PointCount() > limit) {
        series_.RemoveFirst();
    }
    const int count = PointCount();
    if (count > legendRowsShown_) {
        look_.legendFirstValue = count - legendRowsShown_;
    }
    AddPoint(x, y, color);
}

QSize TrendChart::sizeHint() const {
    return {480, 300};
}

QSize TrendChart::minimumSizeHint() const {
    return {120, 80};
}

void TrendChart::Changed() {
    ++version_;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString TrendChart::ShownText() const {
    if (series_.Empty()) {
        return QStringLiteral("Bez bodů.");
    }
    const auto when = [this](std::int64_t x) {
        return ChartDateText(x, style_) + QLatin1Char(' ') + ChartTimeText(x, style_);
    };
    const std::size_t last = series_.Count() - 1;
    QString text = QStringLiteral("Bodů: %1, poslední %2 v %3.")
                       .arg(series_.Count())
                       .arg(ChartValueText(series_.Y(last), style_), when(series_.X(last)));
    if (const std::optional<ChartFrame>& frame = painter_.LastFrame()) {
        const PlotMapping& shown = frame->mapping;
        text += QStringLiteral(" Zobrazeno od %1 do %2, osa hodnot od %3 do %4.")
                    .arg(when(shown.time.begin), when(shown.time.end - 1),
                         ChartValueText(shown.values.min, style_), ChartValueText(shown.values.max, style_));
    }
    return text;
}

void TrendChart::PaintChart(QPainter& painter) {
    legendRowsShown_ = painter_.Paint(painter, size(), series_, look_, style_, view_.Time(), view_.Values());
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const FrameKey key{version_, size(), painter.device()->devicePixelRatioF()};
    if (frameValid_ && key == frameKey_) {
        painter.drawPixmap(0, 0, frame_);
    } else if (!(key == lastKey_)) {
        // The first paint of a new state goes straight to the screen: a live chart changes every second.
        lastKey_ = key;
        PaintChart(painter);
    } else {
        // The same state painted again (the pointer moved, a window moved over the chart): keep the frame.
        frame_ = QPixmap(size() * key.pixelRatio);
        frame_.setDevicePixelRatio(key.pixelRatio);
        {
            QPainter framePainter(&frame_);
            PaintChart(framePainter);
        }
        frameKey_ = key;
        frameValid_ = true;
        painter.drawPixmap(0, 0, frame_);
    }
    PaintOverlay(painter);
}

void TrendChart::SetUiServices(UiServices* ui) {
    ui_ = ui;
}

void TrendChart::ReturnToLiveView() {
    if (view_.Live()) {
        return;
    }
    view_.ReturnToLive();
    Changed();
}

std::optional<std::size_t> TrendChart::ReadoutIndex() const {
    const std::optional<ChartFrame>& frame = painter_.LastFrame();
    if (!pointer_ || drag_ || !frame || !frame->plot.contains(pointer_->toPoint())) {
        return std::nullopt;
    }
    return NearestPoint(series_, frame->mapping, pointer_->x(), pointer_->y());
}

QImage TrendChart::ToImage() {
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintChart(painter);
    return image;
}

void TrendChart::PaintOverlay(QPainter& painter) {
    const std::optional<ChartFrame>& frame = painter_.LastFrame();
    if (frame && !view_.Live()) {
        const PlotMapping& mapping = frame->mapping;
        DrawPlotNote(painter, QRect(mapping.left, mapping.top, mapping.width, mapping.height),
                     QStringLiteral("Home nebo dvojklik: živý pohled"), style_.font);
    }
    if (const std::optional<std::size_t> index = ReadoutIndex()) {
        const PlotMapping& mapping = frame->mapping;
        const std::int64_t x = series_.X(*index);
        const double y = series_.Y(*index);
        DrawReadout(painter, frame->plot, QPointF(mapping.XOf(x), mapping.YOf(y)),
                    ToQColor(series_.ColorAt(*index), style_.palette),
                    {ChartDateText(x, style_) + QLatin1Char(' ') + ChartTimeText(x, style_),
                     ChartValueText(y, style_)},
                    style_.font);
    }
    if (hasFocus()) {
        DrawFocusFrame(painter, rect(), palette().color(QPalette::WindowText));
    }
}

std::optional<PlotMapping> TrendChart::CurrentMapping() const {
    const std::optional<ChartFrame>& frame = painter_.LastFrame();
    if (!frame) {
        return std::nullopt;
    }
    // Several wheel turns or moves can come before the next paint: each goes on from the one before.
    PlotMapping mapping = frame->mapping;
    if (view_.Time()) {
        mapping.time = *view_.Time();
    }
    if (view_.Values()) {
        mapping.values = *view_.Values();
    }
    return mapping;
}

void TrendChart::ZoomAt(QPointF at, double factor, bool values) {
    const std::optional<PlotMapping> current = CurrentMapping();
    if (!current) {
        return;
    }
    const PlotMapping& mapping = *current;
    // A wheel turned over the axes' labels zooms about the nearest edge of the plot.
    const double x = std::clamp(at.x(), static_cast<double>(mapping.left),
                                static_cast<double>(mapping.left + mapping.width));
    const double y = std::clamp(at.y(), mapping.top + 0.5, mapping.top + mapping.height - 0.5);
    if (values) {
        view_.ZoomValues(mapping.time, mapping.values, mapping.ValueAt(y), factor);
    } else {
        view_.ZoomTime(mapping.time, mapping.TimeAt(x), factor);
    }
    Changed();
}

void TrendChart::PanBy(double share) {
    const std::optional<PlotMapping> current = CurrentMapping();
    if (!current) {
        return;
    }
    const PlotMapping& mapping = *current;
    const double span = static_cast<double>(mapping.time.end) - static_cast<double>(mapping.time.begin);
    view_.Pan(mapping.time, share * span, mapping.values, 0.0);
    Changed();
}

void TrendChart::wheelEvent(QWheelEvent* event) {
    const bool values = event->modifiers().testFlag(Qt::ShiftModifier);
    // Some systems turn a wheel held with Shift into a sideways one.
    const QPoint delta = event->angleDelta();
    const int turn = delta.y() != 0 ? delta.y() : (values ? delta.x() : 0);
    if (turn == 0 || !painter_.LastFrame()) {
        event->ignore();
        return;
    }
    ZoomAt(event->position(), std::pow(kWheelZoom, static_cast<double>(turn) / kWheelNotch), values);
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    const std::optional<ChartFrame>& frame = painter_.LastFrame();
    const std::optional<PlotMapping> current = CurrentMapping();
    if (event->button() == Qt::LeftButton && frame && current &&
        frame->plot.contains(event->position().toPoint())) {
        drag_ = Drag{event->position(), *current};
        update();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const std::optional<std::size_t> shown = ReadoutIndex();
    pointer_ = event->position();
    if (drag_ && event->buttons().testFlag(Qt::LeftButton)) {
        const QPointF moved = event->position() - drag_->start;
        // A click that shakes a little is not a pan.
        if (!drag_->panning && moved.manhattanLength() >= QApplication::startDragDistance()) {
            drag_->panning = true;
            setCursor(Qt::ClosedHandCursor);
        }
        if (drag_->panning) {
            const PlotMapping& mapping = drag_->mapping;
            const double span =
                static_cast<double>(mapping.time.end) - static_cast<double>(mapping.time.begin);
            const double valueSpan = mapping.values.max - mapping.values.min;
            // The time and value under the pointer where the drag began stay under it.
            view_.Pan(mapping.time, -moved.x() * span / mapping.width, mapping.values,
                      moved.y() * valueSpan / (mapping.height - 1));
            Changed();
            return;
        }
    }
    if (ReadoutIndex() != shown) {
        update();
    }
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && drag_) {
        drag_.reset();
        unsetCursor();
        update();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TrendChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ReturnToLiveView();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void TrendChart::leaveEvent(QEvent* event) {
    if (ReadoutIndex()) {
        update();
    }
    pointer_.reset();
    QWidget::leaveEvent(event);
}

void TrendChart::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
        case Qt::Key_Home:
            ReturnToLiveView();
            break;
        case Qt::Key_Menu:
            ShowMenu(std::nullopt);
            break;
        case Qt::Key_F10:
            if (!shift) {
                QWidget::keyPressEvent(event);
                return;
            }
            ShowMenu(std::nullopt);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Minus:
            if (const std::optional<ChartFrame>& frame = painter_.LastFrame()) {
                const QRect front(frame->mapping.left, frame->mapping.top, frame->mapping.width,
                                  frame->mapping.height);
                ZoomAt(QRectF(front).center(), event->key() == Qt::Key_Plus ? kWheelZoom : 1.0 / kWheelZoom,
                       false);
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Right:
            PanBy(event->key() == Qt::Key_Left ? -kKeyPan : kKeyPan);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TrendChart::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? std::optional<QPoint>(event->globalPos())
                                                         : std::nullopt);
    event->accept();
}

void TrendChart::BuildMenu() {
    mn_chart = new QMenu(this);
    mn_chart->setObjectName(QStringLiteral("mn_chart"));
    const auto add = [this](const char* name, const QString& text, void (TrendChart::*handler)()) {
        QAction* action = mn_chart->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mn_saveImage =
        add("mn_saveImage", QStringLiteral("Uložit graf jako obrázek..."), &TrendChart::mn_saveImageClick);
    mn_copyChart = add("mn_copyChart", QStringLiteral("Kopírovat graf"), &TrendChart::mn_copyChartClick);
    mn_exportCsv =
        add("mn_exportCsv", QStringLiteral("Exportovat body do CSV..."), &TrendChart::mn_exportCsvClick);
    mn_chart->addSeparator();
    mn_liveView = add("mn_liveView", QStringLiteral("Živý pohled"), &TrendChart::mn_liveViewClick);
}

void TrendChart::ShowMenu(std::optional<QPoint> globalPos) {
    mn_saveImage->setEnabled(ui_ != nullptr);
    mn_exportCsv->setEnabled(ui_ != nullptr);
    mn_liveView->setEnabled(!view_.Live());
    if (!globalPos) {
        const std::optional<ChartFrame>& frame = painter_.LastFrame();
        globalPos = mapToGlobal(frame ? frame->plot.center() : rect().center());
    }
    mn_chart->popup(*globalPos);
}

std::optional<QString> TrendChart::AskFileName(FileDialogRequest request, std::string& lastName) {
    if (ui_ == nullptr) {
        return std::nullopt;
    }
    request.fileName = lastName;
    request.confirmOverwrite = true;
    const std::optional<std::string> chosen = ui_->AskSaveFileName(request);
    if (!chosen) {
        return std::nullopt;
    }
    lastName = *chosen;
    return QString::fromStdString(*chosen);
}

void TrendChart::WriteFile(const QString& fileName, const QByteArray& bytes) {
    // Written to a file beside it and renamed over it at the end, so a failed write leaves the old file; a
    // link, a FIFO or a device in its place is refused (QSaveFile would write where a link leads).
    const FileWriteResult result = WriteFileByRename(
        fileName.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (result != FileWriteResult::Written) {
        ui_->ShowMessage(
            result == FileWriteResult::CannotWrite ? kCannotWriteOutputFile : kCannotOpenOutputFile,
            kErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void TrendChart::mn_saveImageClick() {
    FileDialogRequest request;
    request.title = "Uložit graf jako obrázek";
    request.filter = "Obrázek PNG [*.png]|*.png";
    request.defaultSuffix = "png";
    const std::optional<QString> fileName = AskFileName(request, imageFileName_);
    if (!fileName) {
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ToImage().save(&buffer, "PNG");
    WriteFile(*fileName, png);
}

void TrendChart::mn_copyChartClick() {
    QApplication::clipboard()->setImage(ToImage());
}

void TrendChart::mn_exportCsvClick() {
    FileDialogRequest request;
    request.title = "Exportovat body do CSV";
    request.filter = "Soubor CSV [*.csv]|*.csv";
    request.defaultSuffix = "csv";
    const std::optional<QString> fileName = AskFileName(request, csvFileName_);
    if (!fileName) {
        return;
    }
    // The points of the time range shown: all of them in the live view.
    std::size_t begin = 0;
    std::size_t end = series_.Count();
    if (const std::optional<TimeRange>& time = view_.Time()) {
        begin = series_.LowerBound(time->begin);
        end = series_.LowerBound(time->end, begin, end);
    }
    const char16_t separator = style_.regional.decimalSeparator.unicode();
    const char mark = separator > u' ' && separator < 0x7F ? static_cast<char>(separator) : '.';
    const std::string csv = ChartCsv(series_, begin, end, CsvFormatFor(mark));
    WriteFile(*fileName, QByteArray::fromStdString(csv));
}

void TrendChart::mn_liveViewClick() {
    ReturnToLiveView();
}

void TrendChart::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::PaletteChange || type == QEvent::FontChange || type == QEvent::LocaleChange) {
        style_.palette = palette();
        style_.font = font();
        style_.locale = locale();
        painter_.Invalidate();
        Changed();
    }
    QWidget::changeEvent(event);
}

}  // namespace zt30
