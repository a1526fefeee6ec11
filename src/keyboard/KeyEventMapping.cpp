#include "keyboard/KeyEventMapping.h"

#include "keyboard/KeyTexts.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace vexlin {
namespace {

struct QtKeyCode {
    int qtKey;
    int virtualKey;
    bool extended;
};

// Keys whose Qt code is not their virtual-key code.  Shifted punctuation names the key it is typed on.
constexpr QtKeyCode kQtKeys[] = {
    {Qt::Key_Escape, 27, false},        {Qt::Key_Tab, 9, false},
    {Qt::Key_Backtab, 9, false},        {Qt::Key_Backspace, 8, false},
    {Qt::Key_Return, 13, false},        {Qt::Key_Enter, 13, true},
    {Qt::Key_Insert, 45, true},         {Qt::Key_Delete, 46, true},
    {Qt::Key_Pause, 19, false},         {Qt::Key_Print, 44, true},
    {Qt::Key_Home, 36, true},           {Qt::Key_End, 35, true},
    {Qt::Key_Left, 37, true},           {Qt::Key_Up, 38, true},
    {Qt::Key_Right, 39, true},          {Qt::Key_Down, 40, true},
    {Qt::Key_PageUp, 33, true},         {Qt::Key_PageDown, 34, true},
    {Qt::Key_Shift, 16, false},         {Qt::Key_Control, 17, false},
    {Qt::Key_Meta, 91, true},           {Qt::Key_Alt, 18, false},
    {Qt::Key_AltGr, 18, true},          {Qt::Key_CapsLock, 20, false},
    {Qt::Key_NumLock, 144, false},      {Qt::Key_ScrollLock, 145, false},
    {Qt::Key_Menu, 93, true},           {Qt::Key_Space, 32, false},
    {Qt::Key_QuoteLeft, 192, false},    {Qt::Key_AsciiTilde, 192, false},
    {Qt::Key_Minus, 189, false},        {Qt::Key_Underscore, 189, false},
    {Qt::Key_Equal, 187, false},        {Qt::Key_Plus, 187, false},
    {Qt::Key_BracketLeft, 219, false},  {Qt::Key_BraceLeft, 219, false},
    {Qt::Key_BracketRight, 221, false}, {Qt::Key_BraceRight, 221, false},
    {Qt::Key_Backslash, 220, false},    {Qt::Key_Bar, 220, false},
    {Qt::Key_Semicolon, 186, false},    {Qt::Key_Colon, 186, false},
    {Qt::Key_Apostrophe, 222, false},   {Qt::Key_QuoteDbl, 222, false},
    {Qt::Key_Comma, 188, false},        {Qt::Key_Less, 188, false},
    {Qt::Key_Period, 190, false},       {Qt::Key_Greater, 190, false},
    {Qt::Key_Slash, 191, false},        {Qt::Key_Question, 191, false},
    {Qt::Key_Exclam, '1', false},       {Qt::Key_At, '2', false},
    {Qt::Key_NumberSign, '3', false},   {Qt::Key_Dollar, '4', false},
    {Qt::Key_Percent, '5', false},      {Qt::Key_AsciiCircum, '6', false},
    {Qt::Key_Ampersand, '7', false},    {Qt::Key_Asterisk, '8', false},
    {Qt::Key_ParenLeft, '9', false},    {Qt::Key_ParenRight, '0', false},
};

constexpr int kF1 = 112;
constexpr int kF12 = 123;

} // namespace

std::optional<PhysicalKey> physicalKeyOfQtKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return PhysicalKey{qtKey, false}; // letters and digits share their codes with the virtual keys
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F1 + (kF12 - kF1)) {
        return PhysicalKey{kF1 + (qtKey - Qt::Key_F1), false};
    }
    for (const auto& code : kQtKeys) {
        if (code.qtKey == qtKey) {
            return PhysicalKey{code.virtualKey, code.extended};
        }
    }
    return std::nullopt;
}

std::optional<PhysicalKey> physicalKeyOf(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0) {
        return keyFromX11Keycode(event.nativeScanCode());
    }
    return physicalKeyOfQtKey(event.key());
}

std::string unknownKeyTextOf(const QKeyEvent& event) {
    QString name;
    if (event.key() != 0 && event.key() != Qt::Key_unknown) {
        name = QKeySequence(event.key()).toString(QKeySequence::PortableText);
    }
    return unknownKeyText(name.toStdString(), event.nativeScanCode());
}

} // namespace vexlin
