// The edit routines on real line edits, offscreen, with the message boxes recorded.
#include "config/edit_routines_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "support/ui_recorder.h"

namespace zt30 {
namespace {

using test::RecordedMessage;
using test::UiRecorder;

class EditRoutinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&other);
        layout->addWidget(&edit);
        window.show();
        window.activateWindow();
        other.setFocus();
        QApplication::processEvents();
    }

    bool EditHasFocus() {
        QApplication::processEvents();
        return QApplication::focusWidget() == &edit;
    }

    // Declared before its children: destroyed after them, so no widget is deleted twice.
    QWidget window;
    QLineEdit other;
    QLineEdit edit;
    UiRecorder ui;
};

const RecordedMessage kFloatBox{"Je nutné zadávat pouze čísla nebo desetinnou čárku", "CHYBA",
                                MessageIcon::Exclamation, MessageButtons::Ok};

TEST_F(EditRoutinesTest, FloatAcceptedWithTheRegionalSeparator) {
    float field = 7.0f;
    edit.setText(" -2,5E1 ");
    EXPECT_EQ(EditToFloat(edit, field, ui, ','), 0);
    EXPECT_EQ(field, -25.0f);
    EXPECT_EQ(edit.text(), " -2,5E1 ");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(EditHasFocus());
}

TEST_F(EditRoutinesTest, FloatRejectedLeavesZeroInTheFieldAndOneInTheEdit) {
    float field = 7.0f;
    edit.setText("1.5");
    EXPECT_EQ(EditToFloat(edit, field, ui, ','), -1);
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{kFloatBox});
    EXPECT_EQ(field, 0.0f);
    EXPECT_EQ(edit.text(), "1");
    EXPECT_TRUE(EditHasFocus());
    // Writing the reset edit again gives 1.
    EXPECT_EQ(EditToFloat(edit, field, ui, ','), 0);
    EXPECT_EQ(field, 1.0f);
}

TEST_F(EditRoutinesTest, FloatWithFullStopSeparator) {
    float field = 0.0f;
    edit.setText("1.5");
    EXPECT_EQ(EditToFloat(edit, field, ui, '.'), 0);
    EXPECT_EQ(field, 1.5f);
    edit.setText("1,5");
    EXPECT_EQ(EditToFloat(edit, field, ui, '.'), -1);
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{kFloatBox});
}

struct IntEditCase {
    const char* text;
    int result;
    std::uint16_t field;
    const char* message;  // nullptr when accepted
};

class EditToIntTest : public EditRoutinesTest, public ::testing::WithParamInterface<IntEditCase> {};

TEST_P(EditToIntTest, BoxFieldEditAndFocus) {
    const IntEditCase& c = GetParam();
    std::uint16_t field = 1234;
    edit.setText(QString::fromUtf8(c.text));
    EXPECT_EQ(EditToInt(edit, field, ui), c.result);
    EXPECT_EQ(field, c.field);
    if (c.message == nullptr) {
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.text));
        EXPECT_FALSE(EditHasFocus());
    } else {
        EXPECT_EQ(
            ui.messages,
            (std::vector<RecordedMessage>{{c.message, "CHYBA", MessageIcon::None, MessageButtons::Ok}}));
        EXPECT_EQ(edit.text(), "0");
        EXPECT_TRUE(EditHasFocus());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditToIntTest,
    ::testing::Values(
        IntEditCase{"59999", 0, 59999, nullptr}, IntEditCase{"0", 0, 0, nullptr},
        IntEditCase{" 25", 0, 25, nullptr},
        IntEditCase{"12a", -1, 0, "12a není správně zapsané číslo. Číslo musí být 0 až 59999"},
        IntEditCase{"", -1, 0, " není správně zapsané číslo. Číslo musí být 0 až 59999"},
        IntEditCase{"60000", -1, 0, "60000 není správně zapsané číslo. Číslo musí být 0 až 59999"},
        IntEditCase{"-1", -1, 0, "-1 není správně zapsané číslo. Číslo musí být 0 až 59999"},
        IntEditCase{"25 ", -1, 0, "25  není správně zapsané číslo. Číslo musí být 0 až 59999"},
        IntEditCase{"<b>č</b>", -1, 0, "<b>č</b> není správně zapsané číslo. Číslo musí být 0 až 59999"}));

class EditToAddressTest : public EditRoutinesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EditToAddressTest, RejectedShowsBothBoxesInOrder) {
    std::uint8_t value = 9;
    edit.setText(GetParam());
    EXPECT_EQ(EditToAddress(edit, value, ui), -1);
    const std::string text = GetParam();
    EXPECT_EQ(ui.messages,
              (std::vector<RecordedMessage>{
                  {"Je nutné zadávat pouze čísla", "CHYBA", MessageIcon::Exclamation, MessageButtons::Ok},
                  {text + " není správně zapsané číslo. Číslo musí být .xx.. ", "CHYBA", MessageIcon::None,
                   MessageButtons::Ok}}));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(edit.text(), "0");
    EXPECT_TRUE(EditHasFocus());
}

INSTANTIATE_TEST_SUITE_P(Cases, EditToAddressTest, ::testing::Values("127", "128", "300", "-1", "abc", ""));

TEST_F(EditRoutinesTest, AddressAccepted) {
    for (const auto& [text, expected] : {std::pair{"126", 126}, std::pair{"0", 0}}) {
        std::uint8_t value = 9;
        edit.setText(text);
        EXPECT_EQ(EditToAddress(edit, value, ui), 0);
        EXPECT_EQ(value, expected);
        EXPECT_EQ(edit.text(), text);
    }
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace zt30
