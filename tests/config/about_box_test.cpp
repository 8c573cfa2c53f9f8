// The About box offscreen: its version label from the version lookup (the program's own, and a missing one)
// and its fixed texts.
#include "config/about_box.h"

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

TEST(AboutBox, ShowsTheProgramsOwnVersion) {
    TAboutBox box;
    EXPECT_EQ(LabelText(box, "Label5"), "Verze 2.0.0.0");
    EXPECT_EQ(LabelText(box, "Label1"), "Verze");
    EXPECT_TRUE(box.findChild<QLabel*>("Label5")->font().bold());
    // To the right of its caption.
    box.show();
    EXPECT_GT(box.findChild<QLabel*>("Label5")->geometry().left(),
              box.findChild<QLabel*>("Label1")->geometry().right());
    box.hide();
}

TEST(AboutBox, AVersionTheLookupCannotFindLeavesTheLabelEmpty) {
    int lookups = 0;
    TAboutBox box(nullptr, [&lookups]() -> std::optional<std::string> {
        ++lookups;
        return std::nullopt;
    });
    EXPECT_EQ(LabelText(box, "Label5"), "");
    TAboutBox other(nullptr, [] { return std::optional<std::string>("<b>9</b>"); });
    EXPECT_EQ(LabelText(other, "Label5"), "Verze <b>9</b>");
    EXPECT_EQ(other.findChild<QLabel*>("Label5")->textFormat(), Qt::PlainText);
    // Looked up once, at creation; showing the box does not ask again.
    QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>("OKButton")->click(); });
    EXPECT_EQ(box.ShowModal(), kModalOk);
    EXPECT_EQ(lookups, 1);
}

TEST(AboutBox, FixedTextsInTheirLabels) {
    TAboutBox box;
    EXPECT_EQ(box.objectName(), "AboutBox");
    EXPECT_EQ(box.windowTitle(), "O aplikaci");
    const std::pair<const char*, const char*> texts[] = {
        {"ProductName", "Název produktu"},
        {"Label6", "ZT-30"},
        {"LabelCompName", "Název firmy"},
        {"LabelCompany", "ORVIT"},
        {"Label4", "Minimální systémové požadavky"},
        {"Label2", "-CPU Pentium 266 MHz nebo vyšší"},
        {"Label3", "-Microsoft Windows 95/98/ME/2000 nebo vyšší"},
        {"Label7", "-3 MB volného místa na pevném disku"},
        {"Label8", "-Systémová paměť 64 MB (128 MB doporučeno)"},
        {"Label9", "-VGA nebo vyšší rozlišení"}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(LabelText(box, name), text) << name;
    }
    EXPECT_TRUE(box.findChild<QLabel*>("Label6")->font().bold());
    EXPECT_TRUE(box.findChild<QPushButton*>("OKButton")->isDefault());
}

}  // namespace
}  // namespace zt30
