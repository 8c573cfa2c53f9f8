// The About box offscreen: its version label from the version lookup (the program's own, and a missing one)
// and its fixed texts.
#include "config/about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/ui_services.h"

namespace zt30 {
namespace {

QString LabelText(const TAboutBox& box, const char* name) {
    auto* label = box.findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

TEST(AboutBox, ShowsTheProgramsOwnVersionBesideItsCaptionOrNothingWithoutOne) {
    TAboutBox box;
    EXPECT_EQ(LabelText(box, "Label5"), "Verze 2.0.0.0");
    box.show();  // laid out: the version stands to the right of "Verze"
    EXPECT_EQ(LabelText(box, "Label1"), "Verze");
    EXPECT_GT(box.findChild<QLabel*>("Label5")->geometry().left(),
              box.findChild<QLabel*>("Label1")->geometry().right());
    box.hide();

    TAboutBox without(nullptr, [] { return std::optional<std::string>(); });
    EXPECT_EQ(LabelText(without, "Label5"), "");
    QTimer::singleShot(0, &without, [&without] { without.findChild<QPushButton*>("OKButton")->click(); });
    EXPECT_EQ(without.ShowModal(), kModalOk);
}

}  // namespace
}  // namespace zt30
