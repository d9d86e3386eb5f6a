// The names of the catalogue's texts: the only place a text's number is
// written. The build tool that packs the catalogue refuses a name without an
// English text, so a lookup by name always finds one.
#pragma once

#include <string_view>

namespace tarnwell::text {

// X(name, number) for every text the program shows.
#define TARNWELL_TEXT_IDS(X)     \
  X(kFill, 4)                    \
  X(kInstructions, 5)            \
  X(kStop, 7)                    \
  X(kAbort, 8)                   \
  X(kReset, 9)                   \
  X(kWindowCountdown, 10)        \
  X(kProductName, 11)            \
  X(kReady, 14)                  \
  X(kGroup, 15)                  \
  X(kError, 18)                  \
  X(kIncludeSubfolders, 25)      \
  X(kAddFiles, 26)               \
  X(kAddFolders, 27)             \
  X(kExit, 28)                   \
  X(kDelete, 29)                 \
  X(kDeleteExit, 30)             \
  X(kAreYouSure, 31)             \
  X(kItems, 33)                  \
  X(kDelayFormat, 34)            \
  X(kOverwriteFormat, 35)        \
  X(kLegendInfo, 36)             \
  X(kLegendError, 37)            \
  X(kLegendWarning, 38)          \
  X(kStart, 40)                  \
  X(kTotal, 41)                  \
  X(kMinutes, 42)                \
  X(kSeconds, 43)                \
  X(kRemaining, 44)              \
  X(kElapsed, 45)                \
  X(kOf, 46)                     \
  X(kPath, 47)                   \
  X(kSize, 48)                   \
  X(kMessages, 49)               \
  X(kHelpCaption, 60)            \
  X(kHelpResetTitle, 61)         \
  X(kDescribeReset, 62)          \
  X(kHelpDeleteTitle, 63)        \
  X(kDescribeDelete, 64)         \
  X(kHelpOverwriteTitle, 65)     \
  X(kDescribeOverwrite, 66)      \
  X(kHelpDelayTitle, 67)         \
  X(kDescribeDelay, 68)          \
  X(kHelpFillTitle, 69)          \
  X(kDescribeFill, 70)           \
  X(kUntrustedFileSystem, 71)    \
  X(kVerifyMismatch, 72)         \
  X(kNotRegularFile, 73)         \
  X(kSteppedOver, 74)            \
  X(kFolderUnreadable, 75)       \
  X(kLeftoversRemoved, 76)       \
  X(kWritten, 77)                \
  X(kHeldBack, 78)               \
  X(kImport, 79)                 \
  X(kWorkerNotStarted, 80)       \
  X(kRefusedDots, 81)            \
  X(kRefusedRoot, 82)            \
  X(kChangedSinceListed, 83)     \
  X(kOtherNames, 84)             \
  X(kKernelFileSystem, 85)       \
  X(kInUse, 86)                  \
  X(kChangedWhileErased, 87)     \
  X(kRenameFailed, 88)           \
  X(kFolderNotEmpty, 89)         \
  X(kFolderNotRemoved, 90)       \
  X(kJournalKeepsNames, 91)      \
  X(kErasePrompt, 100)           \
  X(kNothingErased, 101)         \
  X(kEraseNoTerminal, 102)       \
  X(kFillPrompt, 103)            \
  X(kNothingWritten, 104)        \
  X(kFillNoTerminal, 105)        \
  X(kNotAFolder, 106)            \
  X(kReservedRefused, 107)       \
  X(kStillThere, 108)            \
  X(kFillStoppedEarly, 109)      \
  X(kWhereFilesGo, 110)          \
  X(kYesWords, 111)              \
  X(kLimitsHelp, 112)            \
  X(kFillNotes, 113)             \
  X(kExitStatusHelp, 114)        \
  X(kWindowDescription, 115)     \
  X(kFilesHelp, 116)             \
  X(kTerminalCountdown, 120)     \
  X(kInMemory, 121)              \
  X(kInUseByFill, 122)           \
  X(kShadowCopies, 130)          \
  X(kFinished, 160)              \
  X(kStopErase, 161)             \
  X(kStopped, 162)               \
  X(kErasingWindow, 163)         \
  X(kStopFill, 164)              \
  X(kFillStopped, 165)           \
  X(kFillFinished, 166)          \
  X(kNotAdded, 167)              \
  X(kTemplateWritten, 168)       \
  X(kTemplateNotWritten, 169)    \
  X(kDescribeHelp, 170)          \
  X(kDescribeExit, 171)          \
  X(kDescribeLink, 172)          \
  X(kDescribeItems, 173)         \
  X(kDescribeMessages, 174)      \
  X(kHelpImportTitle, 175)       \
  X(kDescribeImport, 176)        \
  X(kHelpDeleteExitTitle, 177)   \
  X(kDescribeDeleteExit, 178)    \
  X(kHelpLanguageTitle, 179)     \
  X(kDescribeLanguage, 180)      \
  X(kHelpLimitsTitle, 181)       \
  X(kHelpLimits, 182)            \
  X(kErasingTerminal, 183)       \
  X(kNotRemovable, 184)          \
  X(kStateFolderRefused, 190)    \
  X(kFillFolderChanged, 191)     \
  X(kLockHeld, 192)              \
  X(kCliExamples, 200)           \
  X(kWindowKeysAndExamples, 201) \
  X(kPassesLimited, 210)         \
  X(kRecordPassPlanned, 230)     \
  X(kRecordsWritten, 231)        \
  X(kAttributesMayRemain, 232)   \
  X(kOverwriteFreeRecords, 233)  \
  X(kTracesErased, 240)          \
  X(kStoreIsLink, 241)           \
  X(kStoreNotOwned, 242)         \
  X(kStoreTooLarge, 243)         \
  X(kRecentListDamaged, 244)     \
  X(kEraseTrash, 245)            \
  X(kEraseTraces, 246)           \
  X(kTrashEmpty, 247)            \
  X(kAddFilesButton, 260)        \
  X(kDropHint, 261)              \
  X(kRemoveFromList, 262)        \
  X(kOpenContainingFolder, 263)  \
  X(kCountdownStatus, 264)       \
  X(kFillStartedRow, 265)        \
  X(kProgress, 266)              \
  X(kReasonAccessDenied, 270)    \
  X(kReasonNotPermitted, 271)    \
  X(kReasonInUse, 272)           \
  X(kReasonNotFound, 273)        \
  X(kReasonReadOnly, 274)        \
  X(kReasonNoSpace, 275)         \
  X(kReasonIoError, 276)         \
  X(kReasonTooLong, 277)         \
  X(kReasonReplaced, 278)        \
  X(kReasonIsLink, 279)          \
  X(kReasonNotAFolder, 280)      \
  X(kWriteFailedRow, 285)        \
  X(kReadFailedRow, 286)         \
  X(kDeleteFailedRow, 287)       \
  X(kItemFailedRow, 288)         \
  X(kSyncFailedRow, 289)         \
  X(kJournalNotClearedRow, 290)  \
  X(kSlackNotScrubbedRow, 291)   \
  X(kFillFailedRow, 292)         \
  X(kDescribeAddFiles, 293)      \
  X(kEraseFinished, 300)         \
  X(kPartlyOverwritten, 301)     \
  X(kEraseFolderChanged, 302)    \
  X(kOutOfMemory, 303)           \
  X(kLogKeepsNames, 304)         \
  X(kReserveRestored, 305)

enum class TextId : int {
#define TARNWELL_TEXT_ID_ENUM(name, number) name = number,
  TARNWELL_TEXT_IDS(TARNWELL_TEXT_ID_ENUM)
#undef TARNWELL_TEXT_ID_ENUM
};

// Every id with its name, for the build tool's check.
struct NamedTextId {
  TextId id;
  std::string_view name;
};
inline constexpr NamedTextId kAllTextIds[] = {
#define TARNWELL_TEXT_ID_ENTRY(name, number) {TextId::name, #name},
    TARNWELL_TEXT_IDS(TARNWELL_TEXT_ID_ENTRY)
#undef TARNWELL_TEXT_ID_ENTRY
};

// The about section's texts: product, web addresses, the request to
// translators. The same in every language.
enum class AboutId : int {
  kProductAndVersion = 19,
  kLinkGerman = 20,
  kLinkOther = 21,
  kUrlGerman = 23,
  kUrlOther = 24,
  kTranslatorRequest = 25,
};

}  // namespace tarnwell::text
