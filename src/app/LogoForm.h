#pragma once

#include "platform/PowerSource.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vexlin {

// The splash: shown while the windows are created, already reporting the battery charge.
class TLogoForm : public QWidget {
    Q_OBJECT
public:
    explicit TLogoForm(const platform::PowerSource& power, QWidget* parent = nullptr);

    void FormActivate();

    QWidget* Panel1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr; // the maker's line
    QLabel* Label2 = nullptr; // the battery text
    QLabel* Label3 = nullptr; // "Vexlin"
    QLabel* Label4 = nullptr; // the maker's second line

protected:
    void showEvent(QShowEvent* event) override;

private:
    const platform::PowerSource& power_;
    platform::PowerStatus status_{};
};

} // namespace vexlin
