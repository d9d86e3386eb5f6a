// The window's layout rules in pixels at 96 dpi, one set for both views (the
// Qt dialog and the Win32 window), so they keep the same shape.
#pragma once

namespace tarnwell::ui::layout {

// Height of the bars: the header band with the fill button, the action
// toolbar above the item list and the status bar.
inline constexpr int kBarHeight = 24;
inline constexpr int kItemListBottomGap = 130;
inline constexpr int kMessageListTopFromBottom = 126;
inline constexpr int kMessageListHeight = 100;
inline constexpr int kLinkFromRight = 174;
inline constexpr int kLinkWidth = 150;
// Room kept between the fill button and the buttons at the right, and under
// the item list's header at the smallest size (about three rows).
inline constexpr int kHeaderGap = 24;
inline constexpr int kMinItemListHeight = 72;
// Below this the instruction text would wrap into a narrow column.
inline constexpr int kMinClientWidth = 360;
// Room around the group box's title: the frame's corner and indent.
inline constexpr int kGroupTitleMargin = 24;

}  // namespace tarnwell::ui::layout
