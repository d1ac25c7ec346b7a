#pragma once
// Who makes the program and where users find it: the About box's links and the update's
// product page read these, and the About template in res/hushbar.rc shows the same texts
// (a test keeps them equal). Beside the resource ids, so every folder may read them.
// Literal macros so the texts built from them are put together by the compiler.
#define HUSHBAR_MAKER_NAME "Corvane Software"
#define HUSHBAR_SUPPORT_ADDRESS "support@hushbar.example"
#define HUSHBAR_HOME_PAGE "http://www.hushbar.example/hushbar/"
// The main dialog's caption: a running copy is found by it (the command line, the setup).
#define HUSHBAR_MAIN_TITLE "Hushbar - BLOCKING MULTIMEDIA ADS AND SPYWARE  IN INTERNET EXPLORER"

// The resource compiler reads the macros above for the version resource; the rest is C++.
#ifndef RC_INVOKED
namespace product {

inline constexpr char kMakerName[] = HUSHBAR_MAKER_NAME;
inline constexpr char kSupportAddress[] = HUSHBAR_SUPPORT_ADDRESS;
inline constexpr char kHomePage[] = HUSHBAR_HOME_PAGE;
inline constexpr char kMainTitle[] = HUSHBAR_MAIN_TITLE;

// The support link: the maker's name with the address in parentheses, opening a mail.
inline constexpr char kSupportLabel[] = HUSHBAR_MAKER_NAME " (" HUSHBAR_SUPPORT_ADDRESS ")";
inline constexpr char kSupportTarget[] = "mailto:" HUSHBAR_SUPPORT_ADDRESS;

}  // namespace product
#endif
