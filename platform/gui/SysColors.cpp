#include "platform/gui/SysColors.h"

#include <QGuiApplication>
#include <QPalette>

#include "platform/gui/GuiColors.h"

namespace {

struct TSysColor {
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
  TColor WindowsDefault;
};

// By index: the palette entry that plays the part on a Qt desktop, and the Windows default.
const TSysColor SysColors[SysColorCount] = {
    {QPalette::Active, QPalette::Button, RGB(200, 200, 200)},           // scroll bar
    {QPalette::Active, QPalette::Window, RGB(0, 0, 0)},                 // desktop
    {QPalette::Active, QPalette::Highlight, RGB(153, 180, 209)},        // active caption
    {QPalette::Inactive, QPalette::Highlight, RGB(191, 205, 219)},      // inactive caption
    {QPalette::Active, QPalette::Window, RGB(240, 240, 240)},           // menu
    {QPalette::Active, QPalette::Base, RGB(255, 255, 255)},             // window
    {QPalette::Active, QPalette::Shadow, RGB(100, 100, 100)},           // window frame
    {QPalette::Active, QPalette::WindowText, RGB(0, 0, 0)},             // menu text
    {QPalette::Active, QPalette::Text, RGB(0, 0, 0)},                   // window text
    {QPalette::Active, QPalette::HighlightedText, RGB(0, 0, 0)},        // caption text
    {QPalette::Active, QPalette::Window, RGB(180, 180, 180)},           // active border
    {QPalette::Inactive, QPalette::Window, RGB(244, 247, 252)},         // inactive border
    {QPalette::Active, QPalette::Mid, RGB(171, 171, 171)},              // application workspace
    {QPalette::Active, QPalette::Highlight, RGB(0, 120, 215)},          // highlight
    {QPalette::Active, QPalette::HighlightedText, RGB(255, 255, 255)},  // highlight text
    {QPalette::Active, QPalette::Button, RGB(240, 240, 240)},           // button face
    {QPalette::Active, QPalette::Dark, RGB(160, 160, 160)},             // button shadow
    {QPalette::Disabled, QPalette::Text, RGB(109, 109, 109)},           // grey text
    {QPalette::Active, QPalette::ButtonText, RGB(0, 0, 0)},             // button text
    {QPalette::Inactive, QPalette::HighlightedText, RGB(0, 0, 0)},      // inactive caption text
    {QPalette::Active, QPalette::Light, RGB(255, 255, 255)},            // button highlight
    {QPalette::Active, QPalette::Shadow, RGB(105, 105, 105)},           // 3D dark shadow
    {QPalette::Active, QPalette::Midlight, RGB(227, 227, 227)},         // 3D light
    {QPalette::Active, QPalette::ToolTipText, RGB(0, 0, 0)},            // info text
    {QPalette::Active, QPalette::ToolTipBase, RGB(255, 255, 225)},      // info background
};

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= SysColorCount) return 0;
  const TSysColor& entry = SysColors[index];
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return entry.WindowsDefault;
  return FromQColor(QGuiApplication::palette().color(entry.Group, entry.Role));
}
