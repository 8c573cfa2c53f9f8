#include "views/measured_values_window.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <utility>

#include "views/record_line.h"

namespace zt30 {

namespace {

constexpr int kColumnWidth = 80;
constexpr int kShownRows = 20;

// Clears a flag when the scope ends, also when what ran in it raised.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

TGridMeas::TGridMeas(UiServices& ui, const RegionalSettings& regional,
                     std::unique_ptr<RecordFileSystem> files, QWidget* parent)
    : QDialog(parent), ui_(ui), regional_(regional), files_(std::move(files)), record_(*files_) {
    BuildControls();
}

TGridMeas::~TGridMeas() = default;

void TGridMeas::BuildControls() {
    setObjectName(QStringLiteral("GridMeas"));
    setWindowTitle(QStringLiteral("Naměřené hodnoty"));
    setAccessibleName(windowTitle());

    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* soubor = menuBar->addMenu(QStringLiteral("&Soubor"));
    soubor->setObjectName(QStringLiteral("Soubor1"));
    Konec1 = soubor->addAction(QStringLiteral("&Konec"));
    Konec1->setObjectName(QStringLiteral("Konec1"));
    connect(Konec1, &QAction::triggered, this, &TGridMeas::Konec1Click);

    model_ = new MeasuredValuesModel(this);
    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setAccessibleName(windowTitle());
    Grid->setModel(model_);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid->setWordWrap(false);
    Grid->setCornerButtonEnabled(false);
    // No fixed column: the sample rows carry no numbers.
    Grid->verticalHeader()->hide();
    // Fixed sizes: a change of the rows never measures their texts.
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Grid->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    Grid->horizontalHeader()->setSectionsClickable(false);
    Grid->horizontalHeader()->setHighlightSections(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(Grid);

    const int width = MeasuredValuesTable::kColumns * kColumnWidth + 2 * Grid->frameWidth() +
                      Grid->verticalScrollBar()->sizeHint().width();
    const int height = Grid->horizontalHeader()->sizeHint().height() +
                       kShownRows * Grid->verticalHeader()->defaultSectionSize() + 2 * Grid->frameWidth();
    Grid->setMinimumWidth(width);
    resize(width, height + menuBar->sizeHint().height());
}

void TGridMeas::SetSources(RecordSources* sources) {
    sources_ = sources;
}

void TGridMeas::startRecord() {
    if (sources_ != nullptr) {
        model_->Table().startRecord(sources_->Interval());
    }
}

void TGridMeas::addSample() {
    if (sources_ == nullptr || !model_->Table().CountCall(sources_->Interval())) {
        return;
    }
    const LocalDateTime now = sources_->Now();
    const int row = model_->Put(SampleRow{sources_->MeasText(), sources_->SumText(),
                                          ShortDateText(now, regional_), LongTimeText(now, regional_)});
    // The line is built from the row just filled, so every sample reaches the file once, the newest included.
    if (sources_->Recording()) {
        appendRowToFile(row);
    }
}

void TGridMeas::appendRowToFile(int row) {
    if (sources_ == nullptr) {
        return;
    }
    const SampleRow& cells = model_->Table().Row(row);
    const AppendResult result = record_.Append(
        sources_->RecordFileName(), ToSystemCodePage(RecordLine(cells[0], cells[1], cells[2], cells[3])));
    if (result == AppendResult::Written || boxOpen_) {
        return;
    }
    std::string text = kCannotOpenRecordFile;
    if (record_.DroppedLines() > 0) {
        text += "\nZahozeno nejstarších neuložených řádků: " + std::to_string(record_.DroppedLines());
    }
    const FlagScope shown(boxOpen_);
    ui_.ShowMessage(text, kRecordErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

int TGridMeas::ShowModal() {
    return exec() == kModalOk ? kModalOk : kModalCancel;
}

void TGridMeas::Konec1Click() {
    done(kModalOk);
}

}  // namespace zt30
