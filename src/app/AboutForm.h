#pragma once

#include "platform/NormalPriorityLane.h"
#include "ui/Form.h"

#include <QLabel>

class QPushButton;

namespace vexlin {

// A label that looks and acts like a web link: underlined, blue, a hand cursor, opened on click.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    // The page opens from `lane` when one is given, so the browser does not start at idle priority.
    LinkLabel(const QString& text, QString url, QWidget* parent,
              platform::NormalPriorityLane* lane = nullptr);
    const QString& url() const { return url_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString url_;
    platform::NormalPriorityLane* lane_ = nullptr;
};

// "О программе...".
class TAboutForm : public Form {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr, platform::NormalPriorityLane* lane = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr; // the maker's line
    QLabel* Label2 = nullptr; // "Vexlin"
    QLabel* Label3 = nullptr; // "v.0.7.1"
    LinkLabel* Label4 = nullptr;
    LinkLabel* Label5 = nullptr;
    QPushButton* Button1 = nullptr; // "Ok"
};

} // namespace vexlin
