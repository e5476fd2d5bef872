#pragma once

#include <cstdint>

namespace platform {

// Window messages, numbered as on the platform the films were made for, so
// that the show's message tables read the same here. Only the messages this
// program sends or handles are listed.
using MessageId = std::uint32_t;

inline constexpr MessageId WM_CREATE = 0x0001;
inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_QUIT = 0x0012;
inline constexpr MessageId WM_ERASEBKGND = 0x0014;
inline constexpr MessageId WM_DRAWITEM = 0x002B;
inline constexpr MessageId WM_KEYDOWN = 0x0100;
inline constexpr MessageId WM_KEYUP = 0x0101;
inline constexpr MessageId WM_COMMAND = 0x0111;
inline constexpr MessageId WM_SYSCOMMAND = 0x0112;
inline constexpr MessageId WM_MOUSEMOVE = 0x0200;
inline constexpr MessageId WM_LBUTTONDOWN = 0x0201;
inline constexpr MessageId WM_LBUTTONUP = 0x0202;
inline constexpr MessageId WM_LBUTTONDBLCLK = 0x0203;

// WM_SYSCOMMAND wParam (masked with 0xFFF0): the system asks to start the
// screen saver.
inline constexpr std::uintptr_t SC_SCREENSAVE = 0xF140;

// Virtual-key codes.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;  // Page Up
inline constexpr int VK_NEXT = 0x22;   // Page Down
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SUBTRACT = 0x6D;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;

// A message as the window procedures receive it. For mouse messages lParam
// packs the client position as (y << 16) | x.
struct Message {
    MessageId id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

inline std::intptr_t packPoint(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(x & 0xFFFF));
}

}  // namespace platform
