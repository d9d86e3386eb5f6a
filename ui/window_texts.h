// The catalogue ids of the window's texts, shared by the window logic and the
// views (which name their controls for screen readers with them).
#pragma once

#include <array>
#include <utility>

#include "text/text_ids.h"

namespace tarnwell::ui::texts {

using enum text::TextId;

// The help box: title and body of each part, in the order shown.
inline constexpr std::array<std::pair<text::TextId, text::TextId>, 9> kHelpPairs = {{
    {kHelpResetTitle, kDescribeReset},
    {kHelpDeleteTitle, kDescribeDelete},
    {kHelpOverwriteTitle, kDescribeOverwrite},
    {kHelpDelayTitle, kDescribeDelay},
    {kHelpFillTitle, kDescribeFill},
    {kHelpImportTitle, kDescribeImport},
    {kHelpDeleteExitTitle, kDescribeDeleteExit},
    {kHelpLanguageTitle, kDescribeLanguage},
    {kHelpLimitsTitle, kHelpLimits},
}};

// About texts (text::AboutUtf8): product and version, web-address labels
// and addresses.
inline constexpr text::AboutId kAboutProduct = text::AboutId::kProductAndVersion;
inline constexpr text::AboutId kAboutLinkGerman = text::AboutId::kLinkGerman;
inline constexpr text::AboutId kAboutLinkOther = text::AboutId::kLinkOther;
inline constexpr text::AboutId kAboutUrlGerman = text::AboutId::kUrlGerman;
inline constexpr text::AboutId kAboutUrlOther = text::AboutId::kUrlOther;

}  // namespace tarnwell::ui::texts
