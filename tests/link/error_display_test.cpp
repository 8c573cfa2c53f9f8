// The application's error display: the full-stop rule, and no exception leaving a handler.
#include "link/error_display.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "link/serial_line.h"
#include "support/ui_recorder.h"

namespace zt30 {
namespace {

TEST(ErrorDisplay, FullStopOnlyAfterACharacterThatSortsAfterIt) {
    EXPECT_EQ(ErrorDisplayText("Sériový port COM0 nelze otevřít"), "Sériový port COM0 nelze otevřít.");
    EXPECT_EQ(ErrorDisplayText("Chyba, číslo tabulky mimo rozsah."), "Chyba, číslo tabulky mimo rozsah.");
    EXPECT_EQ(ErrorDisplayText("Na COM2 nelze nastavit Timeout"), "Na COM2 nelze nastavit Timeout.");
    EXPECT_EQ(ErrorDisplayText("konec!"), "konec!");      // "!" sorts before "."
    EXPECT_EQ(ErrorDisplayText("soubor/"), "soubor/.");   // "/" sorts after "."
    EXPECT_EQ(ErrorDisplayText("rozsah -"), "rozsah -");  // "-" sorts before "."
    EXPECT_EQ(ErrorDisplayText("hodnota 5"), "hodnota 5.");
    EXPECT_EQ(ErrorDisplayText("přenos ř"), "přenos ř.");  // a letter outside ASCII sorts after "."
    EXPECT_EQ(ErrorDisplayText(""), "");
}

TEST(ErrorDisplay, HandlerErrorsAreShownUnderTheProgramTitleAndGoNoFurther) {
    test::UiRecorder ui;
    EXPECT_TRUE(RunHandler(ui, [] {}));
    EXPECT_TRUE(ui.messages.empty());

    int stepsAfterTheError = 0;
    EXPECT_FALSE(RunHandler(ui, [&] {
        throw SerialLineError("Sériový port COM3 nelze otevřít");
        ++stepsAfterTheError;
    }));
    EXPECT_FALSE(RunHandler(ui, [] { throw std::runtime_error("toolkit"); }));
    EXPECT_FALSE(RunHandler(ui, [] { throw 42; }));
    EXPECT_EQ(stepsAfterTheError, 0);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0], (test::RecordedMessage{"Sériový port COM3 nelze otevřít.", "ZT-30",
                                                     MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(ui.messages[1].text, "toolkit.");
    EXPECT_EQ(ui.messages[2].text, "Neznámá chyba.");
}

}  // namespace
}  // namespace zt30
