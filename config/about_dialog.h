// The About box `AboutBox` "O aplikaci": the program's name, its maker, its version and the minimum system
// requirements. The version is looked up once, when the box is created: on Windows from the program file's
// version resource, elsewhere the version the program was built as (config/program_version.h).
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace zt30 {

// The program's version text, nullopt when there is none.
using VersionLookup = std::function<std::optional<std::string>()>;

class TAboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutBox)

public:
    // Runs FormCreate with versionLookup (the program's own version unless a test hands in another).
    explicit TAboutBox(QWidget* parent = nullptr, VersionLookup versionLookup = {});
    ~TAboutBox() override;

    // Runs the box modally; kModalOk for "OK", kModalCancel for the close box.
    int ShowModal();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // Label5 becomes "Verze " + the version, or stays empty when there is none.
    void FormCreate(const VersionLookup& versionLookup);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* LabelCompName = nullptr;
    QLabel* LabelCompany = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* OKButton = nullptr;
};

}  // namespace zt30
