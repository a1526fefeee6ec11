#pragma once

#include "battery/IconImage.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

class QSystemTrayIcon;

namespace vexlin {

// The tray picture's text drawn as the tray shows it: red on blue, 16×16, opaque, centred with truncating
// division so that a text wider than the square is cut at both edges and trailing blanks take their room.
// The text is drawn without smoothing so that every pixel stays pure red or pure blue.
QImage drawTextPicture(const QString& text, const QFont& font);

// The drawn picture's pixels as plain values.
battery::RgbPicture toRgbPicture(const QImage& image);

// The tray icon for a text; a null icon when the icon image cannot be read back.
QIcon makeTextIcon(const QString& text, const QFont& font);

// The program's one entry in the notification area.  Clicking it does nothing; where the desktop has no
// notification area the entry is kept but nobody sees it.
class TrayEntry {
public:
    TrayEntry() = default;
    ~TrayEntry();
    TrayEntry(const TrayEntry&) = delete;
    TrayEntry& operator=(const TrayEntry&) = delete;

    void add(const QIcon& icon, const QString& tip);
    // Ignored before add() and after remove().
    void modify(const QIcon& icon, const QString& tip);
    void remove();

    bool added() const { return icon_ != nullptr; }
    QString tip() const;
    QIcon icon() const;

    // The notification area's limit on a tip.
    static constexpr int kMaxTipLength = 63;

private:
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace vexlin
