// The catalogue ids of the window's texts, shared by the window logic and the
// views (which name their controls for screen readers with them).
#pragma once

namespace tarnwell::ui::texts {

inline constexpr int kFill = 4;
inline constexpr int kInstructions = 5;
inline constexpr int kStop = 7;
inline constexpr int kReset = 9;
inline constexpr int kProductName = 11;
inline constexpr int kReady = 14;
inline constexpr int kGroup = 15;
inline constexpr int kError = 18;
inline constexpr int kIncludeSubfolders = 25;
inline constexpr int kAddFiles = 26;
inline constexpr int kAddFolders = 27;
inline constexpr int kExit = 28;
inline constexpr int kDelete = 29;
inline constexpr int kDeleteExit = 30;
inline constexpr int kItems = 33;
inline constexpr int kDelayFormat = 34;
inline constexpr int kOverwriteFormat = 35;
inline constexpr int kLegendInfo = 36;
inline constexpr int kLegendError = 37;
inline constexpr int kLegendWarning = 38;
inline constexpr int kPath = 47;
inline constexpr int kSize = 48;
inline constexpr int kMessages = 49;
inline constexpr int kHelpCaption = 60;
inline constexpr int kFirstHelpPair = 61;
inline constexpr int kHelpPairs = 5;
inline constexpr int kImport = 79;
inline constexpr int kWorkerNotStarted = 80;
inline constexpr int kStopErase = 161;
inline constexpr int kStopFill = 164;
inline constexpr int kNotAdded = 167;
inline constexpr int kTemplateWritten = 168;
inline constexpr int kTemplateNotWritten = 169;
inline constexpr int kFillRecords = 233;
inline constexpr int kFirstMoreHelpPair = 175;  // Import, Delete + Exit, LNG, limits
inline constexpr int kMoreHelpPairs = 4;
inline constexpr int kEraseTrash = 245;
inline constexpr int kEraseTraces = 246;
inline constexpr int kTrashEmpty = 247;

// Descriptions for screen readers; the help bodies of the first pairs
// describe their buttons as well.
inline constexpr int kDescribeReset = 62;
inline constexpr int kDescribeDelete = 64;
inline constexpr int kDescribeOverwrite = 66;
inline constexpr int kDescribeDelay = 68;
inline constexpr int kDescribeFill = 70;
inline constexpr int kDescribeHelp = 170;
inline constexpr int kDescribeExit = 171;
inline constexpr int kDescribeLink = 172;
inline constexpr int kDescribeItems = 173;
inline constexpr int kDescribeMessages = 174;
inline constexpr int kDescribeImport = 176;
inline constexpr int kDescribeDeleteExit = 178;
inline constexpr int kDescribeLanguage = 180;

// About texts (text::AboutUtf8): product and version, web-address labels
// and addresses.
inline constexpr int kAboutProduct = 19;
inline constexpr int kAboutLinkGerman = 20;
inline constexpr int kAboutLinkOther = 21;
inline constexpr int kAboutUrlGerman = 23;
inline constexpr int kAboutUrlOther = 24;

}  // namespace tarnwell::ui::texts
