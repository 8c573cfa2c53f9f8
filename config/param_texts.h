// The operator's texts of the instrument's parameters: captions and descriptions in the order of the
// parameters dialog, the items of the three choice lists and the six CONFIG switches. The field of a choice
// list holds the index of its item; a switch's item 0 stands for the bit being 0.
#pragma once

#include <array>
#include <string_view>

namespace zt30 {

struct ParamLabel {
    std::string_view caption;      // the bold parameter name
    std::string_view description;  // the smaller label above the control; empty for CONFIG
};

inline constexpr std::array<ParamLabel, 12> kParamLabels = {{
    {"FUNC", "funkce čítače"},
    {"DP", "desetinná tečka"},
    {"FACTOR", "faktor stupnice"},
    {"SCALE", "koeficient stupnice"},
    {"OFFSET", "posuv hodnoty"},
    {"SP.LO", "limita alarmu OUT 1"},
    {"SP.HI", "limita alarmu OUT 2"},
    {"HYSTER", "hystereze limity OUT 1"},
    {"FILTR", "vstupní filtr"},
    {"AN.LO", "spodní hranice analog. výstupu"},
    {"AN.HI", "horní hranice analog. výstupu"},
    {"CONFIG", ""},
}};

inline constexpr std::array<std::string_view, 4> kFuncItems = {"TOTAL (čítač)", "RATE (kmitočtoměr)",
                                                               "FLOMIN (průtokoměr)", "FLOHOD (průtokoměr)"};

inline constexpr std::array<std::string_view, 6> kDpItems = {"000000.", "00000.0", "0000.00",
                                                             "000.000", "00.0000", "0.00000"};

inline constexpr std::array<std::string_view, 2> kFactorItems = {"dělení", "násobení"};

struct ConfigSwitchText {
    std::string_view name;     // the radio group's object name
    std::string_view caption;  // the group's caption
    std::string_view item0;    // bit = 0
    std::string_view item1;    // bit = 1
};

// Bits 0 to 5 of CONFIG, in bit order.
inline constexpr std::array<ConfigSwitchText, 6> kConfigSwitches = {{
    {"rg_vstup", "Vstupní signál", "Čítá sestupnou hranou", "Čítá náběžnou hranou"},
    {"rg_kompar_out2", "Výstup OUT 2", "Komparuje naměřenou hodnotu", "Komparuje SUMU"},
    {"rg_reset", "Kvitace RESET", "Nevyžaduje kvitaci", "Vyžaduje kvitaci"},
    {"rg_alarm_out1", "Výstup OUT 1", "Sepnutý při překročení", "Sepnutý při nedosažení"},
    {"rg_time_out", "Časový výstup", "Trvalé sepnutí OUT 1", "Časové sepnutí OUT 1"},
    {"rg_aout", "Analogový výstup", "0..   20 mA", "4..   20 mA"},
}};

}  // namespace zt30
