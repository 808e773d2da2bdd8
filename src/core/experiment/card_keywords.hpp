// The keywords of the experiment file's cards. The reader takes its words
// from here, and every entry of kCardKeywords has a section in the user's
// manual (a test holds the two together): a new card goes into this table.
#pragma once

#include <array>
#include <string_view>

namespace korvex::cards {

// General cards: the keyword opens the card.
inline constexpr std::string_view kTitle = "TITLE";
inline constexpr std::string_view kWavel = "WAVEL";  // followed by a blank in column 6
inline constexpr std::string_view kBlaxes = "BLAXES";
inline constexpr std::string_view kParity = "PARITY";
inline constexpr std::string_view kCell = "CELL";
inline constexpr std::string_view kUb = "UB";
inline constexpr std::string_view kUbl = "UBL";  // a UB row times the wavelength
inline constexpr std::string_view kTwoTheta = "2THETA";
inline constexpr std::string_view kScale = "SCALE";  // followed by a blank in column 6
inline constexpr std::string_view kContents = "CONTENTS";  // anywhere on the card

// The families of cards whose word may stand anywhere after the family name.
inline constexpr std::string_view kKorvex = "KORVEX";
inline constexpr std::string_view kDac = "DAC";

// KORVEX cards, in the order searched: the first word found decides.
inline constexpr std::string_view kMu = "MU";
inline constexpr std::string_view kLessThan = "LESSTHAN";
inline constexpr std::string_view kReject = "REJECT";
inline constexpr std::string_view kKeep = "KEEP";
inline constexpr std::string_view kModel = "MODEL";
inline constexpr std::string_view kFace = "FACE";
inline constexpr std::string_view kCorner = "CORNER";
inline constexpr std::string_view kMethod = "METHOD";

// Integration methods on the KORVEX METHOD card.
inline constexpr std::string_view kExact = "EXACT";
inline constexpr std::string_view kGauss = "GAUSS";

// Model kinds on the KORVEX MODEL card, in the order searched.
inline constexpr std::string_view kHkl = "HKL";
inline constexpr std::string_view kXyzFace = "XYZFACE";
inline constexpr std::string_view kXyzCorner = "XYZCORNER";
inline constexpr std::string_view kSphere = "SPHERE";
inline constexpr std::string_view kFilledGasket = "FILLED GASKET";

// DAC cards, in the order searched: the first word found decides.
inline constexpr std::string_view kType = "TYPE";
inline constexpr std::string_view kAbsPsi = "ABSPSI";
inline constexpr std::string_view kCurve = "CURVE";
inline constexpr std::string_view kEnd = "END";  // ends the ABSPSI table
inline constexpr std::string_view kAnvil = "ANVIL";
inline constexpr std::string_view kPlate = "PLATE";
inline constexpr std::string_view kOpen = "OPEN";
inline constexpr std::string_view kGasket = "GASKET";
inline constexpr std::string_view kMuMedia = "MUMEDIA";

// One card as a user writes it: the family (empty for a general card), then
// the words that name it ("KORVEX" "MODEL SPHERE", "DAC" "ABSPSI CURVE").
struct CardKeyword {
  std::string_view family;
  std::string_view word;
  std::string_view qualifier = {};  // a second word: "MODEL" + "SPHERE", "REJECT" + "KEEP"
};

inline constexpr std::array kCardKeywords = {
    CardKeyword{{}, kTitle},         CardKeyword{{}, kWavel},          CardKeyword{{}, kCell},
    CardKeyword{{}, kUb},            CardKeyword{{}, kUbl},            CardKeyword{{}, kBlaxes},
    CardKeyword{{}, kParity},        CardKeyword{{}, kTwoTheta},       CardKeyword{{}, kScale},
    CardKeyword{{}, kContents},      CardKeyword{kKorvex, kMu},        CardKeyword{kKorvex, kLessThan},
    CardKeyword{kKorvex, kReject, kKeep},
    CardKeyword{kKorvex, kModel, kHkl},
    CardKeyword{kKorvex, kModel, kXyzFace},
    CardKeyword{kKorvex, kModel, kXyzCorner},
    CardKeyword{kKorvex, kModel, kSphere},
    CardKeyword{kKorvex, kModel, kFilledGasket},
    CardKeyword{kKorvex, kFace},     CardKeyword{kKorvex, kCorner},
    CardKeyword{kKorvex, kMethod, kExact},
    CardKeyword{kKorvex, kMethod, kGauss},
    CardKeyword{kDac, kType},
    CardKeyword{kDac, kOpen},        CardKeyword{kDac, kAnvil},        CardKeyword{kDac, kPlate},
    CardKeyword{kDac, kAbsPsi},      CardKeyword{kDac, kAbsPsi, kCurve},
    CardKeyword{kDac, kGasket},      CardKeyword{kDac, kMuMedia},
};

}  // namespace korvex::cards
