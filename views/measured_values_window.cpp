#include "views/measured_values_window.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace zt30 {

namespace {

constexpr int kColumnWidth = 80;
constexpr int kShownRows = 20;

constexpr char kQuestionCaption[] = "Dotaz";

}  // namespace

FileDialogRequest RecordFileRequest(const std::string& fileName) {
    FileDialogRequest request;
    request.fileName = fileName;
    request.filter = "Textový soubor [*.txt]|*.txt";
    request.defaultSuffix = "TXT";
    request.confirmOverwrite = true;
    return request;
}

TGridMeas::TGridMeas(UiServices& ui, const RegionalSettings& regional,
                     std::unique_ptr<RecordFileSystem> files, QWidget* parent)
    : QDialog(parent), ui_(ui), files_(std::move(files)), recorder_(*files_, regional) {
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

    model_ = new MeasuredValuesModel(recorder_.Table(), this);
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

void TGridMeas::startRecord(std::int32_t interval, const std::string& path) {
    recorder_.startRecord(interval, path);
}

RecordOutcome TGridMeas::addSample(const std::string& valueText, const std::string& sumText,
                                   const LocalDateTime& now, std::int32_t interval) {
    const RecordOutcome outcome = recorder_.addSample(valueText, sumText, now, interval);
    if (outcome.row > 0) {
        model_->SampleAdded(outcome.row, outcome.rowsMoved);
    }
    if (outcome.message != RecordMessage::None) {
        ShowLater(outcome.message, outcome.droppedLines);
    }
    return outcome;
}

void TGridMeas::ShowLater(RecordMessage message, std::uint64_t droppedLines) {
    // A box shown inside the reading's timer handler would hold the timer until it closed.
    QTimer::singleShot(0, this, [this, text = RecordMessageText(message, droppedLines)] {
        ui_.ShowMessage(text, kRecordErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    });
}

void TGridMeas::FinishRecord() {
    if (recorder_.WriteKept()) {
        return;
    }
    for (;;) {
        const std::string question = "Výstupní soubor nelze zapsat. Neuložené řádky záznamu: " +
                                     std::to_string(recorder_.File().KeptLines()) +
                                     "\nChceš je uložit do jiného souboru?";
        if (ui_.ShowMessage(question, kQuestionCaption, MessageIcon::Question, MessageButtons::YesNo) !=
            MessageAnswer::Yes) {
            return;  // closed anyway: the operator was told what is lost
        }
        FileDialogRequest request = RecordFileRequest(recorder_.Path());
        request.confirmOverwrite = false;  // the lines are appended, nothing is replaced
        const std::optional<std::string> chosen = ui_.AskSaveFileName(request);
        if (chosen && recorder_.WriteKept(*chosen)) {
            return;
        }
    }
}

int TGridMeas::ShowModal() {
    return exec() == kModalOk ? kModalOk : kModalCancel;
}

void TGridMeas::Konec1Click() {
    done(kModalOk);
}

}  // namespace zt30
